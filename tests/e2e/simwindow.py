"""Drives the real glider-sim in a virtual X screen: starts Xvfb and the
program, finds its window, sends real key and mouse events with xdotool,
takes screenshots with ImageMagick and reads the status line with tesseract.

Everything waits by polling with generous limits, so a loaded machine only
makes a run slower, not wrong."""

import ctypes
import os
import re
import shutil
import subprocess
import time

WIDTH, HEIGHT = 640, 480  # the window's client area (unit: pixels)

# Light-blue sky of the clear colour (0.3, 0.4, 0.85).
SKY = (77, 102, 217)


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def fresh_dir(work, name):
    """An empty folder `name` under `work`, whatever was there before."""
    path = os.path.join(work, name)
    shutil.rmtree(path, ignore_errors=True)
    os.makedirs(path)
    return path


def wait_until(what, probe, timeout, interval=0.2):
    """Calls probe() until it returns something true; that value is returned."""
    deadline = time.monotonic() + timeout
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout} s waiting for {what}")
        time.sleep(interval)


class VirtualScreen:
    """An Xvfb server on a display number it picks itself, logging into
    `log_dir`/xvfb.log. A failure inside the `with` block carries the
    server's log, so a display that went away explains itself.

    -noreset: by default an X server resets when its last client
    disconnects, and a client connecting during that reset is refused
    ("failed to open display"). The readiness probe below is such a last
    client, and glider-sim connects right after it.
    -displayfd: the server takes the first display number whose lock file it
    can create, so servers started at the same time (other test runs on the
    machine) never share one, and it names the number only once it listens."""

    def __init__(self, log_dir):
        self.log_path = os.path.join(log_dir, "xvfb.log")
        self.server = None

    def __enter__(self):
        # A server that could not start (or never answered) is reported with
        # its log after a few tries; a fresh attempt gets a fresh number.
        for _ in range(3):
            if self._start():
                return self
        raise Failure(f"Xvfb did not start{self.log_tail()}")

    def _start(self):
        read_end, write_end = os.pipe()
        with open(self.log_path, "ab") as log:
            self.server = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-noreset", "-screen", "0", "1024x768x24",
                 "-nolisten", "tcp"],
                pass_fds=(write_end,), stdout=log, stderr=log)
        os.close(write_end)
        with os.fdopen(read_end) as announced:
            number = announced.readline().strip()
        self.display = ":" + number
        if number:
            for _ in range(50):
                if self.server.poll() is not None:
                    break
                if subprocess.run(["xdpyinfo"], env=self.env(), stdout=subprocess.DEVNULL,
                                  stderr=subprocess.DEVNULL).returncode == 0:
                    return True
                time.sleep(0.1)
        self._stop()
        return False

    def _stop(self):
        self.server.terminate()
        try:
            self.server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.server.kill()
            self.server.wait()

    def __exit__(self, kind, failure, trace):
        ended = self.server.poll()
        self._stop()
        if isinstance(failure, (Failure, subprocess.TimeoutExpired)):
            state = "running" if ended is None else f"had ended with status {ended}"
            raise Failure(f"{failure}\n(Xvfb on {self.display} {state}){self.log_tail()}") from failure
        return False

    def log_tail(self, lines=30):
        try:
            with open(self.log_path, encoding="latin-1") as f:
                text = f.read().splitlines()[-lines:]
        except OSError as error:
            return f"; no Xvfb log: {error}"
        return f"; Xvfb log {self.log_path}:\n" + "\n".join(text) if text else f"; Xvfb log {self.log_path} is empty"

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        return env

    def run(self, *args, timeout=30):
        return subprocess.run(list(args), env=self.env(), capture_output=True, text=True, timeout=timeout)


class Simulator:
    """One glider-sim process started as `command` (with `args`) from
    directory `cwd`."""

    def __init__(self, screen, command, cwd, preload=None, args=()):
        self.screen = screen
        self.command = command
        self.args = list(args)
        self.cwd = cwd
        self.preload = preload
        self.out_path = os.path.join(cwd, "stdout.txt")
        self.err_path = os.path.join(cwd, "stderr.txt")
        self.window = None

    def __enter__(self):
        env = self.screen.env()
        if self.preload:
            env["LD_PRELOAD"] = self.preload
        with open(self.out_path, "wb") as out, open(self.err_path, "wb") as err:
            self.process = subprocess.Popen([self.command] + self.args, cwd=self.cwd, env=env,
                                            stdout=out, stderr=err, stdin=subprocess.DEVNULL)
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def stdout(self):
        with open(self.out_path, encoding="latin-1") as f:
            return f.read()

    def stderr(self):
        with open(self.err_path, encoding="latin-1") as f:
            return f.read()

    def exited(self):
        return self.process.poll() is not None

    def wait_exit(self, timeout=30):
        try:
            return self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"glider-sim still running {timeout} s after it should have ended")

    # --- the window --------------------------------------------------------
    def wait_for_window(self, timeout=60):
        def find():
            if self.exited():
                raise Failure(f"glider-sim ended with status {self.process.returncode} before its window "
                              f"appeared; stderr: {self.stderr()!r}")
            found = self.screen.run("xdotool", "search", "--onlyvisible", "--name", ".")
            for window in found.stdout.split():
                if self.title_of(window) == self.command:
                    return window
            return None
        self.window = wait_until("the glider-sim window", find, timeout)
        return self.window

    def title_of(self, window):
        named = self.screen.run("xdotool", "getwindowname", window)
        return named.stdout.rstrip("\n") if named.returncode == 0 else None

    def geometry(self):
        info = self.screen.run("xwininfo", "-id", self.window).stdout
        x = int(re.search(r"Absolute upper-left X:\s+(-?\d+)", info).group(1))
        y = int(re.search(r"Absolute upper-left Y:\s+(-?\d+)", info).group(1))
        w = int(re.search(r"Width:\s+(\d+)", info).group(1))
        h = int(re.search(r"Height:\s+(\d+)", info).group(1))
        return x, y, w, h

    # --- closing from outside ------------------------------------------------
    def destroy_window(self):
        """Destroys the window as another client would, without asking the
        program (xdotool windowclose)."""
        self.screen.run("xdotool", "windowclose", self.window)

    def ask_to_close(self):
        """Sends the WM_DELETE_WINDOW message a window manager sends when the
        user clicks the close button (there is no window manager here)."""
        send_delete_window(self.screen.display, int(self.window))

    # --- input: real X events through the XTEST extension ------------------
    def point_at(self, x, y):
        """Moves the pointer to window pixel (x, y); with no window manager
        the keyboard focus follows the pointer."""
        self.screen.run("xdotool", "mousemove", "--window", self.window, str(x), str(y))

    def keys(self, *names):
        # Into the middle of the window, whatever its size.
        _, _, w, h = self.geometry()
        self.point_at(w // 2, h // 2)
        self.screen.run("xdotool", "key", "--delay", "60", *names)

    def drag(self, start, end, shift=False):
        """Left-button drag inside the window, in a few steps."""
        self.point_at(*start)
        if shift:
            self.screen.run("xdotool", "keydown", "shift")
        self.screen.run("xdotool", "mousedown", "1")
        steps = 6
        for k in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * k // steps
            y = start[1] + (end[1] - start[1]) * k // steps
            self.point_at(x, y)
            time.sleep(0.05)
        self.screen.run("xdotool", "mouseup", "1")
        if shift:
            self.screen.run("xdotool", "keyup", "shift")

    # --- pictures -----------------------------------------------------------
    def screenshot(self, path):
        x, y, w, h = self.geometry()
        shot = self.screen.run("import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", path)
        if shot.returncode != 0:
            raise Failure(f"screenshot failed: {shot.stderr}")
        return Picture(path)


class _ClientMessage(ctypes.Structure):
    # Xlib's XClientMessageEvent, padded to the size of an XEvent.
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def send_delete_window(display, window):
    """WM_PROTOCOLS / WM_DELETE_WINDOW to `window` on `display`, as a window
    manager sends it."""
    xlib = ctypes.CDLL("libX11.so.6")
    xlib.XOpenDisplay.restype = ctypes.c_void_p
    xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
    xlib.XInternAtom.restype = ctypes.c_ulong
    xlib.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    xlib.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                                ctypes.POINTER(_ClientMessage)]
    xlib.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
    xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = xlib.XOpenDisplay(display.encode())
    if not connection:
        raise Failure(f"cannot open display {display} to send WM_DELETE_WINDOW")
    client_message = 33
    message = _ClientMessage(type=client_message, window=window,
                             message_type=xlib.XInternAtom(connection, b"WM_PROTOCOLS", 0), format=32)
    message.data[0] = xlib.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    sent = xlib.XSendEvent(connection, window, 0, 0, ctypes.byref(message))
    xlib.XSync(connection, 0)
    xlib.XCloseDisplay(connection)
    if not sent:
        raise Failure("XSendEvent of WM_DELETE_WINDOW failed")


class Picture:
    """The RGB pixels of a screenshot, row by row from the top."""

    def __init__(self, path):
        self.path = path
        raw = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True, check=True).stdout
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True,
                              check=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.raw = raw

    def pixels(self, left=0, top=0, right=None, bottom=None):
        right = self.width if right is None else right
        bottom = self.height if bottom is None else bottom
        raw, width = self.raw, self.width
        for y in range(top, bottom):
            row = (y * width) * 3
            for x in range(left, right):
                i = row + x * 3
                yield x, y, raw[i], raw[i + 1], raw[i + 2]

    def count(self, test, **box):
        return sum(1 for _, _, r, g, b in self.pixels(**box) if test(r, g, b))

    def where(self, test, **box):
        return [(x, y) for x, y, r, g, b in self.pixels(**box) if test(r, g, b)]

    def status_line(self):
        """The status text as tesseract reads it: the pure red pixels of the
        bottom strip, black on white, enlarged."""
        base, _ = os.path.splitext(self.path)
        crop = base + "-status.png"
        subprocess.run(["convert", self.path, "-crop", f"{self.width}x34+0+{self.height - 34}", "+repage",
                        "-fx", "(r>0.95 && g<0.05 && b<0.05) ? 0 : 1", "-filter", "point", "-resize", "300%",
                        crop], check=True)
        read = subprocess.run(["tesseract", crop, "-", "--psm", "7", "-c",
                               "tessedit_char_whitelist=TimeTrainPosVlSpd=()., -0123456789"],
                              capture_output=True, text=True)
        return read.stdout.strip()


# --- colours of the scene ------------------------------------------------------

def is_sky(r, g, b):
    return abs(r - SKY[0]) <= 3 and abs(g - SKY[1]) <= 3 and abs(b - SKY[2]) <= 3


def is_status_red(r, g, b):
    return r >= 250 and g <= 5 and b <= 5


def is_green_terrain(r, g, b):
    # Lit (0.5, green, 0.5) with green above about 0.6: green leads, red and
    # blue stay equal.
    return g > r + 25 and abs(r - b) <= 12


def is_purple_terrain(r, g, b):
    # Lit low ground, (0.5, 0.3, 0.5): red and blue equal and above green.
    return r > g + 12 and abs(r - b) <= 12


def is_wing(r, g, b):
    # The wing's (0.8, 0.2, 0.1), lit on either face; not the pure red text.
    return r > 40 and r > 2 * g and r > 2 * b and not is_status_red(r, g, b)


STATUS = re.compile(r"Time=(-?\d+\.\d\d) Terrain=(-?\d+\.\d) Pos=\((-?\d+\.\d), (-?\d+\.\d), (-?\d+\.\d)\)")


def parse_status(text):
    """(time, terrain, x, y, z) from a status line, or None."""
    # The reader sometimes sees a gap between a minus sign and its digits.
    match = STATUS.search(re.sub(r"-\s+(?=\d)", "-", text))
    return tuple(float(v) for v in match.groups()) if match else None


def jpeg_components(path):
    """The component count in a JPEG's frame header (1 for greyscale)."""
    with open(path, "rb") as f:
        data = f.read()
    i = 2
    while i + 4 <= len(data):
        if data[i] != 0xFF:
            raise Failure(f"{path}: not a JPEG marker at byte {i}")
        marker = data[i + 1]
        length = (data[i + 2] << 8) | data[i + 3]
        if 0xC0 <= marker <= 0xCF and marker not in (0xC4, 0xC8, 0xCC):
            return data[i + 9]
        i += 2 + length
    raise Failure(f"{path}: no frame header")


def need_tools():
    missing = [t for t in ("Xvfb", "xdotool", "xwininfo", "import", "convert", "identify", "tesseract")
               if shutil.which(t) is None]
    if missing:
        raise Failure("missing tools (run scripts/setup): " + " ".join(missing))
