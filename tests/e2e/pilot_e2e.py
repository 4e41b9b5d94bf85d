#!/usr/bin/env python3
"""End-to-end scenarios of glider-pilot in a real window under Xvfb.

usage: pilot_e2e.py SCENARIO --binary PATH --work DIR [--node-path DIR]

Each scenario makes its own working directory under DIR (with its own
configuration folder), starts the program on its own virtual screen, types
real keys with xdotool and reads the instrument panel with tesseract, as a
pilot would read it."""

import argparse
import ctypes
import ctypes.util
import math
import os
import re
import shutil
import struct
import subprocess
import sys
import time

from simwindow import Failure, Picture, check, fresh_dir, wait_until

PANEL = (0, 0, 300, 400)  # left, top, right, bottom of the instrument panel (unit: window pixels)
RATE = 44100              # the variometer's sample rate (unit: samples per second)


class Screen:
    """An Xvfb server that keeps its state between clients (-noreset)."""

    def __enter__(self):
        for _ in range(3):
            read_end, write_end = os.pipe()
            self.server = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
                 "-noreset"], pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            with os.fdopen(read_end) as announced:
                number = announced.readline().strip()
            self.display = ":" + number
            if number and wait_until("Xvfb to answer", self._answers, 10, interval=0.1):
                return self
            self.__exit__()
        raise Failure("Xvfb did not start")

    def _answers(self):
        if self.server.poll() is not None:
            return False
        return subprocess.run(["xdpyinfo"], env=self.env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def __exit__(self, *exc):
        self.server.terminate()
        try:
            self.server.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.server.kill()
            self.server.wait()

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        return env

    def run(self, *args):
        return subprocess.run(list(args), env=self.env(), capture_output=True, text=True, timeout=90)


class Pilot:
    """One glider-pilot process in `cwd`, its settings in cwd/config."""

    def __init__(self, screen, binary, cwd, args, audio=None):
        self.screen, self.binary, self.cwd, self.args, self.audio = screen, binary, cwd, args, audio
        self.err_path = os.path.join(cwd, "stderr.txt")
        self.window = None

    def __enter__(self):
        env = self.screen.env()
        env["XDG_CONFIG_HOME"] = os.path.join(self.cwd, "config")
        if self.audio:
            env["SDL_AUDIODRIVER"] = "disk"
            env["SDL_DISKAUDIOFILE"] = self.audio
        else:
            env["SDL_AUDIODRIVER"] = "dummy"
        with open(self.err_path, "wb") as err:
            self.process = subprocess.Popen([self.binary] + self.args, cwd=self.cwd, env=env,
                                            stdout=subprocess.DEVNULL, stderr=err, stdin=subprocess.DEVNULL)
        return self

    def __exit__(self, *exc):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def stderr(self):
        with open(self.err_path, encoding="latin-1") as f:
            return f.read()

    def wait_for_window(self, timeout=180):
        def find():
            if self.process.poll() is not None:
                raise Failure(f"glider-pilot ended with status {self.process.returncode}; stderr: {self.stderr()!r}")
            found = self.screen.run("xdotool", "search", "--onlyvisible", "--name", "^glider-pilot$")
            return found.stdout.split()[0] if found.stdout.split() else None
        self.window = wait_until("the glider-pilot window", find, timeout)
        return self.window

    def geometry(self):
        info = self.screen.run("xwininfo", "-id", self.window).stdout
        values = [int(re.search(pattern, info).group(1)) for pattern in
                  (r"Absolute upper-left X:\s+(-?\d+)", r"Absolute upper-left Y:\s+(-?\d+)",
                   r"Width:\s+(\d+)", r"Height:\s+(\d+)")]
        return tuple(values)

    def focus(self):
        x, y, w, h = self.geometry()
        self.screen.run("xdotool", "mousemove", "--window", self.window, str(w // 2), str(h // 2))

    def keys(self, *names):
        self.focus()
        self.screen.run("xdotool", "key", "--delay", "80", *names)

    def hold(self, name, seconds):
        self.focus()
        self.screen.run("xdotool", "keydown", name)
        time.sleep(seconds)
        self.screen.run("xdotool", "keyup", name)

    def screenshot(self, path):
        x, y, w, h = self.geometry()
        shot = self.screen.run("import", "-window", "root", "-crop", f"{w}x{h}+{x}+{y}", "+repage", path)
        check(shot.returncode == 0, f"screenshot failed: {shot.stderr}")
        return Picture(path)

    def panel(self, name):
        """The instrument panel's figures, read from a screenshot: a dict
        with whatever of time, above_start, heading, weight could be read."""
        path = os.path.join(self.cwd, name + ".png")
        self.screenshot(path)
        crop = os.path.join(self.cwd, name + "-panel.png")
        left, top, right, bottom = PANEL
        subprocess.run(["convert", path, "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                        # Smoothly enlarged, not thresholded: hard-edged pixels
                        # made tesseract read this font's 0 as 6.
                        "-colorspace", "Gray", "-filter", "Lanczos", "-resize", "300%",
                        crop], check=True)
        text = subprocess.run(["tesseract", crop, "-", "--psm", "6"], capture_output=True, text=True).stdout
        text = re.sub(r"-\s+(?=\d)", "-", text)
        figures = {"text": text}
        for key, pattern in (("time", r"Time\s+(\d+\.\d\d)"), ("above_start", r"Alt\s*start\s+(-?\d+\.\d)"),
                             ("heading", r"Heading\s+(\d+)"), ("lateral", r"Weight\s+([-+]\d\.\d\d)")):
            match = re.search(pattern, text, re.IGNORECASE)
            if match:
                figures[key] = float(match.group(1))
        figures["paused"] = "PAUSED" in text
        return figures

    def read(self, name, *keys, until=None, what=None, timeout=120):
        """Screenshots until every figure in `keys` was read (and, given,
        `until` holds for the figures: the program may take a few frames to
        act on a key)."""
        seen = {}

        def probe():
            figures = self.panel(name)
            seen["text"] = figures["text"]
            if not all(k in figures for k in keys):
                return None
            return figures if until is None or until(figures) else None
        try:
            return wait_until(what or f"the panel to show {', '.join(keys)}", probe, timeout, interval=0.3)
        except Failure as failure:
            raise Failure(f"{failure}; last read: {seen.get('text')!r}")

    def read_steady(self, name, *keys, until=None, what=None, timeout=120):
        """Like read, but the figures count only once two screenshots in a row
        agree on them: one misread digit must not pass for the program's own."""
        last = {}

        def agreed(figures):
            values = tuple(figures[k] for k in keys)
            steady = last.get("values") == values
            last["values"] = values
            return steady and (until is None or until(figures))
        return self.read(name, *keys, until=agreed, what=what, timeout=timeout)

    def close_with_escape(self):
        self.keys("Escape")
        try:
            status = self.process.wait(timeout=90)
        except subprocess.TimeoutExpired:
            raise Failure("glider-pilot still running 90 s after Escape")
        check(status == 0, f"exit status {status} after Escape; stderr {self.stderr()!r}")


class _ClientMessage(ctypes.Structure):
    # Xlib's XClientMessageEvent with 32-bit data, padded to an XEvent's size.
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 24)]


def ask_to_close(display, window):
    """Sends WM_DELETE_WINDOW, as a window manager does when the user clicks
    the close button (there is no window manager here)."""
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long, ctypes.c_void_p]
    x11.XFlush.argtypes = [ctypes.c_void_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    check(connection, f"cannot open display {display}")
    event = _ClientMessage()
    event.type = 33  # ClientMessage
    event.window = window
    event.message_type = x11.XInternAtom(connection, b"WM_PROTOCOLS", 0)
    event.format = 32
    event.data[0] = x11.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
    x11.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
    x11.XFlush(connection)
    x11.XCloseDisplay(connection)


def flight_files(cwd):
    """Everything in flights/: the CSV and IGC, the setup and the sail."""
    folder = os.path.join(cwd, "flights")
    names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
    return [os.path.join(folder, n) for n in names]


def recordings(cwd):
    """The flight log proper: the CSV and the IGC of each flight."""
    return [f for f in flight_files(cwd) if f.endswith((".csv", ".igc"))]


def check_igc(path, node_path):
    """The npm igc-parser reads the log strictly; its fixes are 1 s apart."""
    script = ("const p=require('igc-parser');const fs=require('fs');"
              "const log=p.parse(fs.readFileSync(process.argv[1],'latin1'));"
              "if(log.fixes.length<2)throw new Error('only '+log.fixes.length+' fixes');"
              "for(let k=1;k<log.fixes.length;k++){if(log.fixes[k].timestamp-log.fixes[k-1].timestamp!==1000)"
              "throw new Error('fixes not 1 s apart');}"
              "console.log(log.fixes.length+' fixes, date '+log.date);")
    env = dict(os.environ)
    env["NODE_PATH"] = node_path
    run = subprocess.run(["node", "-e", script, path], capture_output=True, text=True, env=env)
    check(run.returncode == 0, f"igc-parser refused {path}: {run.stderr.strip()}")
    print(f"igc-parser: {run.stdout.strip()}")


def scenario_fly(binary, work, node_path):
    """The window opens, the panel's figures move, P stops and restarts the
    clock, R resets, the arrows shift the weight and turn the glider, and
    Escape leaves a valid IGC log in flights/."""
    cwd = fresh_dir(work, "fly")
    with Screen() as screen, Pilot(screen, binary, cwd, ["--generated-terrain", "--wind", "0,0,0"]) as pilot:
        pilot.wait_for_window()
        x, y, w, h = pilot.geometry()
        check((w, h) == (1024, 768), f"window is {w}x{h}, expected 1024x768")
        # The left arrow held from the start: the weight goes left and the
        # glider, launched heading south (180), turns away from it.
        pilot.focus()
        screen.run("xdotool", "keydown", "Left")
        try:
            first = pilot.read("first", "time", "above_start", "heading", "lateral")
            # In still air the ground track is the glider's own heading; the
            # realistic glider rolls in slowly, and glides for minutes. How
            # soon it turned is read from the recording below: a loaded
            # machine takes seconds per screenshot, and a window of simulated
            # time seen through them could be missed.
            turning = pilot.read("turning", "time", "heading",
                       until=lambda f: f["time"] >= 2.5 and abs(f["heading"] - 180.0) > 15.0,
                       what="the glider turning away from 180")
            pilot.keys("p")
            turned = pilot.read("turned", "heading", "lateral", "time", until=lambda f: f["paused"],
                                what="PAUSED on the panel")
            turned = pilot.read_steady("turned", "heading", "lateral", "time")
        finally:
            screen.run("xdotool", "keyup", "Left")
        print(f"panel at {first['time']} s: {first['above_start']} m above the start, heading {first['heading']}; "
              f"at {turned['time']} s with the left arrow held: heading {turned['heading']}, weight "
              f"{turned['lateral']}")
        check(turned["lateral"] < -0.5, f"the left arrow did not shift the weight left: {turned['lateral']}")
        # Judged on the reading taken while turning: with the weight held
        # fully over, the glider circles, and by the time the pause lands it
        # may have come round to its launch heading again.
        check(abs(turning["heading"] - 180.0) > 10.0, f"the glider did not turn: heading {turning['heading']}")
        shutil.copy(os.path.join(cwd, "first.png"), os.path.join(work, "pilot-screenshot.png"))

        # Paused, the clock stands still; N runs one step.
        paused = turned
        time.sleep(1.5)
        still = pilot.read_steady("still", "time")
        check(still["time"] == paused["time"], f"the clock moved while paused: {paused['time']} -> {still['time']}")
        pilot.keys("n")
        stepped = pilot.read_steady("stepped", "time", until=lambda f: f["time"] != paused["time"], what="one step")
        check(stepped["time"] == round(paused["time"] + 0.01, 2), f"N stepped {paused['time']} -> {stepped['time']}")
        print(f"paused at {paused['time']}, one step to {stepped['time']}")

        # R puts the glider back at the start (moved rigidly, so its pilot
        # may sit a little off the launch point) and leaves the clock.
        pilot.keys("r")
        reset = pilot.read_steady("reset", "above_start", "time", until=lambda f: abs(f["above_start"]) <= 1.0,
                           what="the glider back at the start after R")
        check(reset["time"] == stepped["time"], "R changed the clock")
        pilot.keys("p")
        moving = pilot.read("moving", "time", "above_start", until=lambda f: f["time"] > reset["time"] + 0.5,
                            what="the clock running again after P")
        check(moving["above_start"] < reset["above_start"], "the glider does not fly on after the reset")

        pilot.close_with_escape()
    files = recordings(cwd)
    check(len(files) == 2 and files[0].endswith(".csv") and files[1].endswith(".igc"), f"flights/: {files}")
    check(re.search(r"/\d{4}-\d\d-\d\d-\d{6}\.igc$", files[1]), f"log not named by date and time: {files[1]}")
    check_igc(files[1], node_path)
    check(os.path.isfile(os.path.join(cwd, "config", "glider-sim", "pilot.toml")), "settings not saved")
    with open(files[0]) as f:
        rows = [line.split(",") for line in f.read().split("\n")[1:] if line]
    turned_at = next((float(r[1]) for r in rows if float(r[1]) < 30.0 and
                      abs(math.degrees(math.atan2(float(r[5]), float(r[6]))) % 360.0 - 180.0) > 15.0), None)
    check(turned_at is not None, "the recording does not turn away from 180 within 30 s")
    print(f"the recorded track left 180 by 15 degrees at {turned_at} s")


def scenario_close(binary, work, node_path):
    """Closing the window (the close button, as a window manager asks) also
    ends with status 0 and a saved flight."""
    cwd = fresh_dir(work, "close")
    with Screen() as screen, Pilot(screen, binary, cwd, ["--model", "classic"]) as pilot:
        pilot.wait_for_window()
        pilot.read("flying", "time")
        time.sleep(1.0)
        ask_to_close(screen.display, int(pilot.window))
        status = pilot.process.wait(timeout=30)
        check(status == 0, f"exit status {status} after the window was closed; stderr {pilot.stderr()!r}")
    files = recordings(cwd)
    check(len(files) == 2, f"flights/: {files}")
    check_igc(files[1], node_path)


THERMAL_CORE = """# A wide, strong thermal with the glider launched in its core.
model = "realistic"
[terrain]
source = "flat"
size = 6000
spacing = 100
[start]
position = [0, 0, 300]
heading = 90
[air]
thermal_top = 1500
[[air.thermal]]
x = 0
y = 0
updraft = 4.0
radius = 400
"""

STILL_AIR = """# Still air over flat ground.
model = "realistic"
[terrain]
source = "flat"
size = 6000
spacing = 100
[start]
position = [0, 0, 300]
heading = 90
"""


def pitch_of(path, skip):
    """(pitch in Hz while sounding, fraction of time sounding) of the float
    samples after the first `skip` seconds."""
    with open(path, "rb") as f:
        data = f.read()
    count = len(data) // 4
    samples = struct.unpack(f"<{count}f", data[:count * 4])[int(skip * RATE):]
    check(len(samples) > RATE, f"{path}: only {len(samples)} samples of sound")
    loud = [abs(s) > 1e-3 for s in samples]
    crossings = sum(1 for i in range(1, len(samples))
                    if loud[i] and (samples[i - 1] < 0) != (samples[i] < 0))
    sounding = sum(loud)
    return (0.5 * crossings * RATE / sounding if sounding else 0.0), sounding / len(samples)


def scenario_vario(binary, work, node_path):
    """The variometer through SDL's disk audio driver: a high beeping climb
    tone in a thermal's core, silence or a low tone in still air's sink."""
    cwd = fresh_dir(work, "vario")
    heard = {}
    for name, text in (("core.toml", THERMAL_CORE), ("still.toml", STILL_AIR)):
        with open(os.path.join(cwd, name), "w") as f:
            f.write(text)
    runs = (("core", ["core.toml"]), ("still", ["still.toml"]))
    with Screen() as screen:
        for name, args in runs:
            audio = os.path.join(cwd, name + ".raw")
            with Pilot(screen, binary, cwd, args, audio=audio) as pilot:
                pilot.wait_for_window()
                pilot.read(name, "time")
                time.sleep(3.0)
                pilot.close_with_escape()
            heard[name] = pitch_of(audio, 1.0)
            print(f"{name}: pitch {heard[name][0]:.0f} Hz, sounding {100 * heard[name][1]:.0f} % of the time")
    core_pitch, core_on = heard["core"]
    still_pitch, still_on = heard["still"]
    check(core_on > 0.2 and core_on < 0.8, f"the climb tone does not beep: sounding {core_on:.2f} of the time")
    check(core_pitch > 800.0, f"climb tone at {core_pitch:.0f} Hz")
    check(still_on < 0.05 or still_pitch < 0.6 * core_pitch,
          f"still air: {still_pitch:.0f} Hz, not below the core's {core_pitch:.0f} Hz")


def scenario_replay(binary, work, node_path):
    """A recorded flight played back shows the recorded positions, step by
    step while paused, and End jumps to the last one."""
    cwd = fresh_dir(work, "replay")
    with Screen() as screen:
        with Pilot(screen, binary, cwd, ["--generated-terrain", "--wind", "0,0,0"]) as pilot:
            pilot.wait_for_window()
            pilot.read("flying", "time")
            time.sleep(4.0)
            pilot.close_with_escape()
        csv_path = recordings(cwd)[0]
        with open(csv_path) as f:
            rows = [line.split(",") for line in f.read().split("\n")[1:] if line]
        z0 = float(rows[0][4])
        by_time = {f"{float(r[1]):.2f}": float(r[4]) - z0 for r in rows}
        with Pilot(screen, binary, cwd, ["--replay", csv_path, "--camera", "orbit"]) as pilot:
            pilot.wait_for_window()
            pilot.keys("p")
            seen = []
            for k in range(4):
                if k > 0:
                    before = seen[-1][0]
                    pilot.keys("n")
                    wait_until("the next step", lambda: pilot.panel("probe").get("time", before) > before, 60,
                               interval=0.3)
                figures = pilot.read(f"frame{k}", "time", "above_start")
                key = f"{figures['time']:.2f}"
                check(key in by_time, f"the replay shows time {key}, not in the recording")
                expected = round(by_time[key], 1)
                check(abs(figures["above_start"] - expected) <= 0.11,
                      f"at {key} s the replay shows {figures['above_start']} m above the start, recorded {expected}")
                seen.append((figures["time"], figures["above_start"]))
            print(f"replayed frames (time, above start): {seen}")
            check(all(round(b[0] - a[0], 2) == 0.01 for a, b in zip(seen, seen[1:])), f"not one step apart: {seen}")
            pilot.keys("End")
            last = float(rows[-1][1])
            end = wait_until("the last recorded step", lambda: (lambda f: f if abs(f.get("time", -1) - last) < 0.006
                                                                else None)(pilot.panel("end")), 60, interval=0.3)
            check(abs(end["above_start"] - round(float(rows[-1][4]) - z0, 1)) <= 0.11, "End shows the wrong place")
            pilot.close_with_escape()
        check(len(flight_files(cwd)) == 4, f"a replay recorded a flight of its own: {flight_files(cwd)}")


FLAT_SITE = """# Flat ground under a high sun.
model = "realistic"
[terrain]
source = "flat"
size = 6000
spacing = 100
[start]
position = [0, 0, 400]
heading = 90
[sun]
azimuth = 180
elevation = 50
"""


def sail_colour(r, g, b):
    """The sail's orange and yellow panels, lit or shaded."""
    return r > 90 and r > g and r > 1.6 * b


def scenario_replay_alone(binary, work, node_path):
    """A flight flown in a turn over a scenario's flat site replays from its
    recording alone: the scenario deleted, no option given, from another
    folder. The window shows the ground and the glider; moving the sail's
    record away changes the glider drawn (the start glider carried rigidly
    instead of the banked, flexed sail), nothing else."""
    cwd = fresh_dir(work, "replay_alone")
    site = os.path.join(cwd, "site")
    os.makedirs(site)
    with open(os.path.join(site, "flat.toml"), "w") as f:
        f.write(FLAT_SITE)
    with Screen() as screen:
        with Pilot(screen, binary, cwd, ["site/flat.toml", "--wind", "0,0,0"]) as pilot:
            pilot.wait_for_window()
            pilot.focus()
            screen.run("xdotool", "keydown", "Left")
            try:
                pilot.read("flying", "time", until=lambda f: f["time"] >= 3.0, what="3 s flown")
            finally:
                screen.run("xdotool", "keyup", "Left")
            pilot.close_with_escape()
        files = flight_files(cwd)
        check([os.path.splitext(f)[1] for f in files] == [".csv", ".igc", ".sail", ".setup"], f"flights/: {files}")
        csv_path, sail_path = files[0], files[2]
        with open(csv_path) as f:
            last = float(f.read().split("\n")[-2].split(",")[1])
        print(f"recorded {last} s: sail record {os.path.getsize(sail_path)} bytes, CSV {os.path.getsize(csv_path)}")
        shutil.rmtree(site)
        elsewhere = os.path.join(cwd, "elsewhere")
        os.makedirs(elsewhere)

        def last_picture(name):
            with Pilot(screen, binary, elsewhere, ["--replay", csv_path, "--camera", "chase"]) as pilot:
                pilot.wait_for_window()
                pilot.keys("End")
                pilot.read(name, "time", until=lambda f: f["paused"] and abs(f["time"] - last) < 0.006,
                           what="the paused last step", timeout=90)
                picture = pilot.screenshot(os.path.join(elsewhere, name + ".png"))
                pilot.close_with_escape()
            return picture
        flexed = last_picture("flexed")
        os.rename(sail_path, sail_path + ".away")
        rigid = last_picture("rigid")

    ground = lambda r, g, b: g >= r and g >= b and g > 40
    open_pixels = [(x, y, r, g, b) for x, y, r, g, b in flexed.pixels() if open_ground(x, y)]
    sail = [(x, y) for x, y, r, g, b in open_pixels if sail_colour(r, g, b)]
    grass = [(x, y) for x, y, r, g, b in open_pixels if y > 384 and ground(r, g, b)]
    changed = [(x, y) for (x, y, r1, g1, b1), (_, _, r2, g2, b2) in zip(flexed.pixels(), rigid.pixels())
               if open_ground(x, y) and (sail_colour(r1, g1, b1) != sail_colour(r2, g2, b2))]
    print(f"replayed alone: {len(sail)} sail pixels, {len(grass)} ground pixels below the horizon; "
          f"without the sail's record {len(changed)} pixels change between sail and not")
    check(len(sail) >= 300, f"the glider is not drawn: {len(sail)} sail pixels")
    check(len(grass) >= 100000, f"the ground is not drawn: {len(grass)} ground pixels")
    check(len(changed) >= 100, f"the sail's record does not change the glider drawn: {len(changed)} pixels")
    shutil.copy(os.path.join(elsewhere, "flexed.png"), os.path.join(work, "pilot-replay-alone.png"))


def scenario_bad_input(binary, work, node_path):
    """Bad options, recordings and settings: one line naming what is wrong,
    status 2, no window and nothing written."""
    cwd = fresh_dir(work, "bad")
    with open(os.path.join(cwd, "broken.csv"), "w") as f:
        f.write("step,time,x,y,z,vx,vy,vz,speed,terrain\n0,0,1,2\n")
    os.makedirs(os.path.join(cwd, "config", "glider-sim"))
    settings = os.path.join(cwd, "config", "glider-sim", "pilot.toml")
    write_site(cwd)
    cases = (
        (["--imagery", "ortho.tif"], "--imagery: imagery is drawn only on an elevation model", None),
        (["--dem", "dem.tif", "--dem-radius", "1000", "--imagery", "missing.tif"],
         "--imagery: missing.tif: cannot be opened", None),
        (["--model", "jet"], "--model", None),
        (["--replay", "broken.csv"], "broken.csv: line 2", None),
        (["--replay", "missing.csv"], "missing.csv: cannot be opened", None),
        (["--terrain", "missing.jpg"], "missing.jpg", None),
        (["--task", "missing.cup"], "--task: missing.cup", None),
        (["--nmea", "serial:/dev/ttyS0"], "--nmea", None),
        ([], "pilot.toml", "volume = 7\n"),
    )
    for args, named, config in cases:
        if config is not None:
            with open(settings, "w") as f:
                f.write(config)
        env = dict(os.environ)
        env.pop("DISPLAY", None)
        env["XDG_CONFIG_HOME"] = os.path.join(cwd, "config")
        run = subprocess.run([binary] + args, cwd=cwd, env=env, capture_output=True, text=True, timeout=60)
        lines = [line for line in run.stderr.split("\n") if line.startswith("glider-pilot:")]
        check(run.returncode == 2, f"{args}: status {run.returncode}, expected 2; stderr {run.stderr!r}")
        check(len(lines) == 1 and named in lines[0], f"{args}: message {run.stderr!r} does not name {named!r}")
        check(not os.path.exists(os.path.join(cwd, "flights")), f"{args}: flights/ was created")
        if config is not None:
            with open(settings) as f:
                check(f.read() == config, "a refused settings file was rewritten")


def cup_place(x, y):
    """World metres about the default origin (45 N, 6 E) as a .cup's fields."""
    lat = 45.0 + y / 6371000.0 * 180.0 / math.pi
    lon = 6.0 + x / (6371000.0 * math.cos(math.radians(45.0))) * 180.0 / math.pi
    return (f"{int(lat):02d}{(lat - int(lat)) * 60:06.3f}N", f"{int(lon):03d}{(lon - int(lon)) * 60:06.3f}E")


def nmea_checksum_ok(sentence):
    body, _, checksum = sentence[1:].partition("*")
    value = 0
    for c in body.encode("ascii"):
        value ^= c
    return checksum.strip().upper() == f"{value:02X}"


def scenario_task(binary, work, node_path):
    """A task from a .cup: the panel names the start ahead (south, where
    the glider heads), live NMEA arrives over loopback UDP with good
    checksums, and closing prints the task's result."""
    import socket
    cwd = fresh_dir(work, "task")
    points = {"Start": (-300, -600), "Valley": (-300, -2000), "Goal": (500, -2500)}
    lines = ["name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc"]
    for name, (x, y) in points.items():
        lat, lon = cup_place(x, y)
        lines.append(f'"{name}","{name.upper()}",FR,{lat},{lon},500.0m,1,,,,""')
    lines += ["-----Related Tasks-----", '"Valley run","Start","Start","Valley","Goal","Goal"']
    with open(os.path.join(cwd, "task.cup"), "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.bind(("127.0.0.1", 0))
    receiver.settimeout(0.2)
    port = receiver.getsockname()[1]
    args = ["--generated-terrain", "--wind", "0,0,0", "--task", "task.cup", "--nmea", f"udp:127.0.0.1:{port}"]
    received = []
    with Screen() as screen, Pilot(screen, binary, cwd, args) as pilot:
        pilot.wait_for_window()

        def task_panel():
            path = os.path.join(cwd, "task.png")
            pilot.screenshot(path)
            crop = os.path.join(cwd, "task-panel.png")
            subprocess.run(["convert", path, "-crop", "330x140+0+330", "+repage", "-colorspace", "Gray",
                            "-filter", "Lanczos", "-resize", "300%", crop], check=True)
            text = subprocess.run(["tesseract", crop, "-", "--psm", "6"], capture_output=True, text=True).stdout
            match = re.search(r"Brg\s+(\d+)\s+Dist\s+(\d+\.\d\d)", text)
            return (text, float(match.group(1)), float(match.group(2))) if match and "Start" in text else None
        text, bearing, distance = wait_until("the task panel to show the start ahead", task_panel, 40, interval=0.5)
        print(f"task panel: {' '.join(text.split())!r}")
        check(150.0 <= bearing <= 210.0, f"the start line lies south of the launch, the panel says {bearing}")
        check(0.1 < distance < 1.0, f"the start line is about 0.5 km away, the panel says {distance} km")
        deadline = time.time() + 5.0
        while time.time() < deadline:
            try:
                received.append(receiver.recv(65536).decode("ascii"))
            except socket.timeout:
                pass
        pilot.close_with_escape()
    sentences = [s for s in "".join(received).split("\r\n") if s]
    kinds = {s[1:s.index(",")] for s in sentences}
    check({"GPRMC", "GPGGA", "LXWP0", "PGRMZ", "LK8EX1"} <= kinds, f"sentences received: {sorted(kinds)}")
    check(all(nmea_checksum_ok(s) for s in sentences), "a sentence with a bad checksum")
    times = [s.split(",")[1] for s in sentences if s.startswith("$GPRMC")]
    backs = [(a, b) for a, b in zip(times, times[1:]) if b <= a]
    # Only midnight UTC may roll the clock over.
    check(all(a >= "2359" and b < "0001" for a, b in backs), f"GPRMC time went back: {backs}")
    print(f"nmea: {len(sentences)} sentences in 5 s, {sorted(kinds)}")
    result = [line for line in pilot.stderr().split("\n") if line.startswith("glider-pilot: task=")]
    check(len(result) == 1 and "task_km=" in result[0] and "xc_type=" in result[0], f"no task result: {result}")
    # The log declares the task after its header: the declaration line, then
    # takeoff, start, turnpoint, finish and landing.
    logs = [os.path.join(cwd, "flights", n) for n in os.listdir(os.path.join(cwd, "flights")) if n.endswith(".igc")]
    check(len(logs) == 1, f"flights/: {logs}")
    check_igc(logs[0], node_path)
    with open(logs[0], encoding="latin1", newline="") as f:
        records = [line for line in f.read().split("\r\n") if line.startswith("C")]
    check(len(records) == 6 and records[-2].endswith("Goal") and records[2].endswith("Start"),
          f"the log's C records: {records}")



# What the world scenario's pictures leave out: the panel, the map and the
# help line (left, top, right, bottom).
OVERLAYS = ((0, 0, 300, 340), (750, 495, 1024, 768), (0, 695, 1024, 768))


def open_ground(x, y):
    return not any(l <= x < r and t <= y < b for l, t, r, b in OVERLAYS)


def luminance(r, g, b):
    return 0.2126 * r + 0.7152 * g + 0.0722 * b


def write_replay(path, x, y, z):
    """Two recorded steps of a glider heading north at (x, y, z): the replay
    shows exactly this place and heading, whatever the machine."""
    with open(path, "w") as f:
        f.write("step,time,x,y,z,vx,vy,vz,speed,terrain\n")
        f.write(f"0,0,{x},{y},{z},0,10,0,10,0\n1,0.01,{x},{y + 0.1},{z},0,10,0,10,0\n")


def replay_picture(screen, binary, cwd, scenario_text, replay, name):
    """The first step of `replay` drawn over the scenario, paused."""
    scenario = os.path.join(cwd, name + ".toml")
    with open(scenario, "w") as f:
        f.write(scenario_text)
    with Pilot(screen, binary, cwd, ["--replay", replay, "--camera", "chase", scenario]) as pilot:
        pilot.wait_for_window()
        # Two steps long, the replay holds its last picture at once; Home
        # then shows the first.
        pilot.read(name + "-end", "time", until=lambda f: f["paused"], what="the replay's end", timeout=90)
        pilot.keys("Home")
        pilot.read(name + "-home", "time", until=lambda f: f["paused"] and f["time"] == 0.0,
                   what="the paused first step", timeout=90)
        path = os.path.join(cwd, name + ".png")
        picture = pilot.screenshot(path)
        pilot.close_with_escape()
    return picture


def scenario_world(binary, work, node_path):
    """The world a pilot reads: a ridge's face lit by the sun against the same
    face turned from it, the sail's shadow on the ground beside the glider on
    the side away from the sun, and a cumulus over a thermal ahead that a blue
    day leaves out. Each pair of pictures is one replayed moment drawn twice."""
    cwd = fresh_dir(work, "world")
    replay_ridge = os.path.join(cwd, "ridge.csv")
    replay_low = os.path.join(cwd, "low.csv")
    replay_cloud = os.path.join(cwd, "cloud.csv")
    write_replay(replay_ridge, 0, -330, 45)
    write_replay(replay_low, 0, 0, 6)
    write_replay(replay_cloud, 0, 0, 300)
    ridge = ('model = "realistic"\n[terrain]\nsource = "ridge"\nheight = 100\nwidth = 150\n'
             '[start]\nposition = [0, -330, 45]\nheading = 0\n')
    flat = 'model = "realistic"\n[terrain]\nsource = "flat"\nsize = 12000\nspacing = 100\n'
    with Screen() as screen:
        # The ridge's south face, the sun low in the south and then in the north.
        lit = replay_picture(screen, binary, cwd, ridge + "[sun]\nazimuth = 180\nelevation = 20\n", replay_ridge,
                             "ridge-sunlit")
        shaded = replay_picture(screen, binary, cwd, ridge + "[sun]\nazimuth = 0\nelevation = 20\n", replay_ridge,
                                "ridge-shaded")
        # The face: the ground's rows from the crest line down, beside the glider.
        crest = next(y for _, y, r, g, b in lit.pixels(left=850, right=851, top=0, bottom=495) if not b > max(r, g))
        face = dict(left=300, right=750, top=crest + 4, bottom=crest + 60)
        bright = [luminance(r, g, b) for x, y, r, g, b in lit.pixels(**face) if abs(x - 512) > 120]
        dark = [luminance(r, g, b) for x, y, r, g, b in shaded.pixels(**face) if abs(x - 512) > 120]
        ratio = (sum(bright) / len(bright)) / max(sum(dark) / len(dark), 1.0)
        print(f"ridge face from row {crest}: sunlit {sum(bright) / len(bright):.1f}, shaded {sum(dark) / len(dark):.1f},"
              f" ratio {ratio:.2f}")
        check(ratio >= 4.0 / 3.0, f"the sunlit face is only {ratio:.2f} times as bright as the shaded one")

        # Low over flat ground, the sun high in the east and then in the west:
        # the shadow lies beside the glider on the side away from the sun.
        east = replay_picture(screen, binary, cwd, flat + "[sun]\nazimuth = 90\nelevation = 55\n", replay_low,
                              "shadow-east-sun")
        west = replay_picture(screen, binary, cwd, flat + "[sun]\nazimuth = 270\nelevation = 55\n", replay_low,
                              "shadow-west-sun")
        ground = lambda r, g, b: g >= r and g >= b
        westward, eastward = [], []
        for (x, y, r1, g1, b1), (_, _, r2, g2, b2) in zip(east.pixels(), west.pixels()):
            if not open_ground(x, y) or not ground(r1, g1, b1) or not ground(r2, g2, b2):
                continue
            a, b = luminance(r1, g1, b1), luminance(r2, g2, b2)
            if a < 0.75 * b:
                westward.append((x, y))
            elif b < 0.75 * a:
                eastward.append((x, y))
        centre = lambda points: (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))
        check(len(westward) >= 200 and len(eastward) >= 200, f"shadow pixels: {len(westward)} and {len(eastward)}")
        (wx, wy), (ex, ey) = centre(westward), centre(eastward)
        print(f"shadow with the sun in the east: {len(westward)} pixels about ({wx:.0f}, {wy:.0f}); "
              f"in the west: {len(eastward)} about ({ex:.0f}, {ey:.0f})")
        check(wx < 512 < ex, "the shadow does not fall on the side away from the sun")
        check(ex - wx < 400 and wy > 384 and ey > 384, "the shadow is not on the ground beside the glider")

        # A thermal four kilometres ahead: its cumulus, and none on a blue day.
        thermal = ("[sun]\nazimuth = 180\nelevation = 50\n[air]\nthermal_top = 1500\nclouds = {}\n"
                   "[[air.thermal]]\nx = 0\ny = 4000\nupdraft = 3\nradius = 150\n")
        cloudy = replay_picture(screen, binary, cwd, flat + thermal.format("true"), replay_cloud, "cloudy")
        blue = replay_picture(screen, binary, cwd, flat + thermal.format("false"), replay_cloud, "blue")
        white = lambda r, g, b: min(r, g, b) > 190 and max(r, g, b) - min(r, g, b) < 45
        clouds = [(x, y) for x, y, r, g, b in cloudy.pixels(bottom=400) if open_ground(x, y) and white(r, g, b)]
        none = [(x, y) for x, y, r, g, b in blue.pixels(bottom=400) if open_ground(x, y) and white(r, g, b)]
        check(len(clouds) >= 300, f"only {len(clouds)} cloud pixels over the thermal")
        cx, cy = centre(clouds)
        print(f"cloud: {len(clouds)} pixels about ({cx:.0f}, {cy:.0f}); blue day: {len(none)}")
        check(abs(cx - 512) < 80, f"the cloud stands at x {cx:.0f}, not over the thermal ahead")
        check(len(none) < 20, f"{len(none)} cloud pixels on a blue day")
        for name in ("ridge-sunlit", "shadow-east-sun", "cloudy"):
            shutil.copy(os.path.join(cwd, name + ".png"), os.path.join(work, "world-" + name + ".png"))


def write_site(cwd):
    """A flat elevation model, 500 m high around 46 N 7 E in WGS-84 degrees,
    and aerial imagery of it in UTM zone 32 north, 4 m pixels over +-1.5 km of
    the terrain's local map: blue, with a red square 100 m a side about local
    (-120, 300). Returns the square's corners on the local map (through the
    transverse Mercator map the elevation model is laid on)."""
    import numpy
    from osgeo import gdal, osr
    gdal.UseExceptions()
    wgs, utm, local = osr.SpatialReference(), osr.SpatialReference(), osr.SpatialReference()
    wgs.ImportFromEPSG(4326)
    utm.ImportFromEPSG(32632)
    local.ImportFromProj4("+proj=tmerc +lat_0=46 +lon_0=7 +k=1 +x_0=0 +y_0=0 +datum=WGS84 +units=m")
    for system in (wgs, utm, local):
        system.SetAxisMappingStrategy(osr.OAMS_TRADITIONAL_GIS_ORDER)
    tiff = gdal.GetDriverByName("GTiff")
    dem = tiff.Create(os.path.join(cwd, "dem.tif"), 280, 200, 1, gdal.GDT_Float32)
    dem.SetGeoTransform((6.93, 0.0005, 0, 46.05, 0, -0.0005))
    dem.SetProjection(wgs.ExportToWkt())
    dem.GetRasterBand(1).WriteArray(numpy.full((200, 280), 500.0, numpy.float32))
    dem = None
    to_utm = osr.CoordinateTransformation(local, utm)
    to_local = osr.CoordinateTransformation(utm, local)
    cx, cy, _ = to_utm.TransformPoint(0.0, 0.0)
    sx, sy, _ = to_utm.TransformPoint(-120.0, 300.0)
    pixel, size = 4.0, 750
    west, north = cx - size * pixel / 2, cy + size * pixel / 2
    east_of = west + (numpy.arange(size) + 0.5) * pixel
    north_of = north - (numpy.arange(size) + 0.5) * pixel
    e, n = numpy.meshgrid(east_of, north_of)
    red = (numpy.abs(e - sx) < 50) & (numpy.abs(n - sy) < 50)
    ortho = tiff.Create(os.path.join(cwd, "ortho.tif"), size, size, 3, gdal.GDT_Byte, ["PHOTOMETRIC=RGB"])
    ortho.SetGeoTransform((west, pixel, 0, north, 0, -pixel))
    ortho.SetProjection(utm.ExportToWkt())
    for band, (inside, outside) in enumerate(((220, 20), (20, 20), (20, 220)), 1):
        ortho.GetRasterBand(band).WriteArray(numpy.where(red, inside, outside).astype(numpy.uint8))
    ortho = None
    return [to_local.TransformPoint(sx + dx, sy + dy)[:2] for dx, dy in ((-50, -50), (50, -50), (50, 50), (-50, 50))]


def chase_projection(pilot, heading, width=1024, height=768):
    """Window pixel of a world point as the chase camera draws it (18 m
    behind and 5 m above the pilot, looking 12 m ahead of it, 60 degrees high)."""
    forward = (math.sin(math.radians(heading)), math.cos(math.radians(heading)), 0.0)
    eye = [pilot[k] - 18 * forward[k] for k in range(3)]
    eye[2] += 5
    target = [pilot[k] + 12 * forward[k] for k in range(3)]
    unit = lambda v: [c / math.sqrt(sum(x * x for x in v)) for c in v]
    cross = lambda a, b: [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]
    f = unit([target[k] - eye[k] for k in range(3)])
    s = unit(cross(f, [0, 0, 1]))
    u = cross(s, f)
    half = math.tan(math.radians(30))

    def project(point):
        d = [point[k] - eye[k] for k in range(3)]
        depth = sum(f[k] * d[k] for k in range(3))
        x = sum(s[k] * d[k] for k in range(3)) / (depth * half * width / height)
        y = sum(u[k] * d[k] for k in range(3)) / (depth * half)
        return (x + 1) / 2 * width, (1 - y) / 2 * height
    return project


def scenario_imagery(binary, work, node_path):
    """Aerial imagery draped where it belongs: a red square of known place in
    a blue orthophoto, in another projection than the elevation model, seen
    from the chase camera. The red pixels lie where the square projects, and
    the ground around it is the orthophoto's blue."""
    cwd = fresh_dir(work, "imagery")
    corners = write_site(cwd)
    replay = os.path.join(cwd, "over.csv")
    write_replay(replay, 0, 0, 600)
    site = ('model = "realistic"\n[terrain]\nsource = "dem"\npath = "dem.tif"\ncentre = [46, 7]\nradius_km = 2\n'
            'imagery = "ortho.tif"\n[sun]\nazimuth = 180\nelevation = 50\n')
    with Screen() as screen:
        picture = replay_picture(screen, binary, cwd, site, replay, "imagery")
    project = chase_projection((0.0, 0.0, 600.0), 0.0)
    # Where the square's ground projects: its inside (10 m in from its
    # edges), and a ring 20 to 60 m around it.
    (x0, y0), (x1, y1) = corners[0], corners[2]
    inside, ring = [], []
    for i in range(41):
        for j in range(41):
            a, b = i / 40, j / 40
            if 0.1 <= min(a, b) and max(a, b) <= 0.9:
                inside.append(project((x0 + a * (x1 - x0), y0 + b * (y1 - y0), 500.0)))
            gx, gy = x0 - 60 + a * (x1 - x0 + 120), y0 - 60 + b * (y1 - y0 + 120)
            if min(gx - x0, x1 - gx, gy - y0, y1 - gy) < -20:
                ring.append(project((gx, gy, 500.0)))
    red = lambda r, g, b: r > 100 and r > 1.6 * max(g, b)
    blue = lambda r, g, b: b > 100 and b > 1.6 * max(r, g)
    # Ground the glider (its sail has red in it) or an overlay hides is left out.
    hidden = lambda x, y: not open_ground(x, y) or (300 <= x < 725 and 340 <= y < 480)
    reds = [(x, y) for x, y, r, g, b in picture.pixels() if not hidden(x, y) and red(r, g, b)]
    check(len(reds) >= 500, f"only {len(reds)} red pixels")
    # The red pixels against the pixels inside the square's outline on the
    # screen (those not hidden): as many, about the same centre.
    outline = [project((x, y, 500.0)) for x, y in corners]
    edges = list(zip(outline, outline[1:] + outline[:1]))
    turn = lambda a, b, x, y: (b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0])
    within = lambda x, y: all(turn(a, b, x + 0.5, y + 0.5) > 0 for a, b in edges) or all(
        turn(a, b, x + 0.5, y + 0.5) < 0 for a, b in edges)
    box = [int(min(p[k] for p in outline)) for k in (0, 1)] + [int(max(p[k] for p in outline)) + 1 for k in (0, 1)]
    expected = [(x, y) for y in range(max(box[1], 0), min(box[3], 768)) for x in range(max(box[0], 0), min(box[2], 1024))
                if not hidden(x, y) and within(x, y)]
    mean = lambda points: (sum(p[0] for p in points) / len(points), sum(p[1] for p in points) / len(points))
    (rx, ry), (px, py) = mean(reds), mean(expected)
    print(f"red square: {len(reds)} pixels about ({rx:.1f}, {ry:.1f}); its outline {len(expected)} pixels about "
          f"({px:.1f}, {py:.1f})")
    check(abs(len(reds) / len(expected) - 1) < 0.1, "the red square is not drawn at its size")
    check(abs(rx - px) < 6 and abs(ry - py) < 6, "the red square is not drawn where it lies")
    colour = lambda x, y: tuple(picture.raw[(y * picture.width + x) * 3:(y * picture.width + x) * 3 + 3])
    visible = lambda points: [(int(x), int(y)) for x, y in points if not hidden(int(x), int(y))]
    share = lambda points, test: sum(1 for x, y in points if test(*colour(x, y))) / max(len(points), 1)
    check(len(visible(inside)) > 200 and len(visible(ring)) > 200, "too little of the square and its ring is seen")
    inside_red, ring_blue = share(visible(inside), red), share(visible(ring), blue)
    print(f"inside the square {inside_red:.1%} red; around it {ring_blue:.1%} blue")
    check(inside_red > 0.95 and ring_blue > 0.95, "the imagery's colours are not where they belong")
    shutil.copy(os.path.join(cwd, "imagery.png"), os.path.join(work, "imagery.png"))


def temporaries(cwd):
    """Every *.tmp-* file left anywhere under the run's folder."""
    return [os.path.join(root, n) for root, _, names in os.walk(cwd) for n in names if ".tmp-" in n]


def check_saved_flight(cwd, node_path, what):
    files = recordings(cwd)
    check(len(files) == 2 and files[0].endswith(".csv") and files[1].endswith(".igc"), f"{what}: flights/: {files}")
    check_igc(files[1], node_path)
    with open(files[0]) as f:
        rows = f.read().split("\n")[1:]
    check(len(rows) > 100 and all("nan" not in r and "inf" not in r for r in rows), f"{what}: the CSV is not whole")


def end_by_signal(screen, pilot, signal):
    pilot.process.send_signal(signal)
    return pilot.process.wait(timeout=60)


def end_by_windowclose(screen, pilot):
    screen.run("xdotool", "windowclose", pilot.window)
    return pilot.process.wait(timeout=60)


def end_by_windowkill(screen, pilot):
    screen.run("xdotool", "windowkill", pilot.window)
    return pilot.process.wait(timeout=60)


def end_by_server_death(screen, pilot):
    screen.server.kill()
    return pilot.process.wait(timeout=60)


def scenario_interrupted(binary, work, node_path):
    """A flight ended from outside the window, by a signal or by X, is
    saved whole (the IGC read by igc-parser, the CSV with no row of nan),
    with the status the README gives, and no temporary file is left. A quit
    signal, which ends the process at once, leaves no temporary either."""
    import signal as sig
    cases = (
        ("int", lambda screen, pilot: end_by_signal(screen, pilot, sig.SIGINT), 130, True),
        ("term", lambda screen, pilot: end_by_signal(screen, pilot, sig.SIGTERM), 143, True),
        ("hup", lambda screen, pilot: end_by_signal(screen, pilot, sig.SIGHUP), 129, True),
        ("windowclose", end_by_windowclose, 1, True),
        ("windowkill", end_by_windowkill, 1, True),
        ("server_death", end_by_server_death, 1, True),
        ("quit", lambda screen, pilot: end_by_signal(screen, pilot, sig.SIGQUIT), -sig.SIGQUIT, False),
    )
    for name, end, expected, saved in cases:
        cwd = fresh_dir(work, "interrupted-" + name)
        with Screen() as screen, Pilot(screen, binary, cwd, ["--generated-terrain", "--wind", "0,0,0"]) as pilot:
            pilot.wait_for_window()
            pilot.read("flying", "time", until=lambda f: f["time"] >= 2.5, what="2.5 s flown")
            status = end(screen, pilot)
            print(f"{name}: status {status}; {pilot.stderr().strip()!r}")
            check(status == expected, f"{name}: exit status {status}, expected {expected}; stderr {pilot.stderr()!r}")
        check("X Error" not in pilot.stderr(), f"{name}: Xlib's own report: {pilot.stderr()!r}")
        if saved:
            check_saved_flight(cwd, node_path, name)
            check(os.path.isfile(os.path.join(cwd, "config", "glider-sim", "pilot.toml")), f"{name}: settings not saved")
        check(not temporaries(cwd), f"{name}: temporaries left: {temporaries(cwd)}")


def scenario_blow_up(binary, work, node_path):
    """A flight whose numbers leave the finite ones stops by itself with
    status 1 naming the step, and what was flown before it is saved with no
    row of nan and no fix off the Earth."""
    cwd = fresh_dir(work, "blow_up")
    with Screen() as screen, Pilot(screen, binary, cwd, ["--model", "classic", "--wind", "100,100,100"]) as pilot:
        status = pilot.process.wait(timeout=240)
        err = pilot.stderr()
        print(f"status {status}; {err.strip()!r}")
        check(status == 1, f"exit status {status} after a blow-up; stderr {err!r}")
        check(re.search(r"diverged at step \d+", err), f"the step is not named: {err!r}")
    files = recordings(cwd)
    check(len(files) == 2, f"flights/: {files}")
    with open(files[0]) as f:
        rows = [r for r in f.read().split("\n")[1:] if r]
    check(rows and all("nan" not in r and "inf" not in r for r in rows), "a row of nan was saved")
    with open(files[1], encoding="latin-1") as f:
        fixes = [line for line in f if line.startswith("B")]
    for fix in fixes:
        check(int(fix[7:9]) <= 90 and int(fix[15:18]) <= 180, f"a fix off the Earth: {fix.strip()}")


def scenario_no_display(binary, work, node_path):
    """Without a display, or with one that does not answer, glider-pilot
    says so in one line with status 2 and writes nothing."""
    cwd = fresh_dir(work, "no_display")
    for name, changes in (("unset", {}), ("absent", {"DISPLAY": ":97"})):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER")}
        env.update(changes)
        env["XDG_CONFIG_HOME"] = os.path.join(cwd, "config")
        env["SDL_AUDIODRIVER"] = "dummy"
        try:
            run = subprocess.run([binary, "--generated-terrain"], cwd=cwd, env=env, capture_output=True, text=True,
                                 timeout=120)
        except subprocess.TimeoutExpired:
            raise Failure(f"{name}: still running without a display")
        lines = [line for line in run.stderr.split("\n") if line.startswith("glider-pilot:")]
        check(run.returncode == 2 and len(lines) == 1 and "display" in lines[0],
              f"{name}: status {run.returncode}, stderr {run.stderr!r}")
        check(not os.path.exists(os.path.join(cwd, "flights")), f"{name}: flights/ was created")


def scenario_replay_far_steps(binary, work, node_path):
    """A recording whose steps run past 2^30 plays (the slider spans it)."""
    cwd = fresh_dir(work, "far_steps")
    path = os.path.join(cwd, "far.csv")
    with open(path, "w") as f:
        f.write("step,time,x,y,z,vx,vy,vz,speed,terrain\n")
        for step in (0, 1, 2 ** 30, 2 ** 31 - 1):
            f.write(f"{step},{step * 0.01},0,{-step * 1e-6},300,0,-8,-1,8.06,0\n")
    with Screen() as screen, Pilot(screen, binary, cwd, ["--generated-terrain", "--replay", path]) as pilot:
        pilot.wait_for_window()
        pilot.read("start", "time")
        pilot.keys("End", "Left", "Home", "Right")
        pilot.read("scrubbed", "time")
        pilot.close_with_escape()


SKIPPED = 77  # ctest's SKIP_RETURN_CODE for these scenarios


def scenario_full_disk(binary, work, node_path):
    """flights/ on a disk too small for the flight (a 128 KiB tmpfs): the
    panel says so while flying, the IGC log is kept whole, the CSV keeps whole
    rows, and the exit status is 3."""
    cwd = fresh_dir(work, "full_disk")
    folder = os.path.join(cwd, "flights")
    os.makedirs(folder)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=128k", "tmpfs", folder], capture_output=True,
                             text=True)
    if mounted.returncode != 0:
        print(f"skipped: no small disk to fill ({mounted.stderr.strip()})")
        raise SystemExit(SKIPPED)
    try:
        with Screen() as screen, Pilot(screen, binary, cwd, ["--model", "classic", "--quit-after", "40"]) as pilot:
            pilot.wait_for_window()
            pilot.read("full", until=lambda f: "NOT SAVED WHOLE" in f["text"].upper(),
                       what="the panel saying the flight is not saved whole", timeout=60)
            status = pilot.process.wait(timeout=90)
            err = pilot.stderr()
            check(status == 3, f"exit status {status} on a full disk, expected 3; stderr {err!r}")
            check("not saved whole" in err and "No space left on device" in err, f"stderr {err!r}")
        files = recordings(cwd)
        check(len(files) == 2, f"flights/: {files}")
        check_igc(files[1], node_path)
        with open(files[0]) as f:
            rows = f.read().split("\n")
        check(rows[-1] == "" and all(len(r.split(",")) == 10 for r in rows[:-1]), "the CSV ends in half a row")
        print(f"CSV kept {len(rows) - 2} whole rows")
    finally:
        subprocess.run(["umount", "-l", folder])


SCENARIOS = {"world": scenario_world, "fly": scenario_fly, "close": scenario_close, "vario": scenario_vario,
             "replay": scenario_replay, "replay_alone": scenario_replay_alone, "bad_input": scenario_bad_input, "interrupted": scenario_interrupted,
             "blow_up": scenario_blow_up, "no_display": scenario_no_display,
             "replay_far_steps": scenario_replay_far_steps, "full_disk": scenario_full_disk, "task": scenario_task,
             "imagery": scenario_imagery}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--binary", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--node-path", default="")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xwininfo", "import", "convert", "tesseract", "node"):
        if shutil.which(tool) is None:
            print(f"missing tool {tool} (run scripts/setup)")
            return 1
    try:
        SCENARIOS[args.scenario](os.path.abspath(args.binary), os.path.abspath(args.work), args.node_path)
    except Failure as failure:
        print(f"FAILED: {failure}")
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
