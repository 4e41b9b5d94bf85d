#!/usr/bin/env python3
"""End-to-end scenarios of glider-sim in a real window under Xvfb.

usage: glider_e2e.py SCENARIO --binary PATH --work DIR

Each scenario makes its own working directory (and terrain.jpg) under DIR,
starts the program there on its own virtual screen and checks what a person
would see, type and read. The main scenario leaves its screenshot as
DIR/screenshot.png."""

import argparse
import os
import subprocess
import sys
import time

from simwindow import (Failure, Simulator, VirtualScreen, WIDTH, HEIGHT, check, fresh_dir, is_green_terrain,
                       is_purple_terrain, is_sky, is_status_red, is_wing, jpeg_components, need_tools, parse_status,
                       wait_until)

CENTRE = (WIDTH // 2, HEIGHT // 2)


def flying_status(sim, shot_path, min_time=0.5, timeout=60):
    """Screenshots until the status line reads a time of at least min_time;
    returns (picture, (time, terrain, x, y, z), text)."""
    seen = {}

    def probe():
        picture = sim.screenshot(shot_path)
        text = picture.status_line()
        seen["text"] = text
        status = parse_status(text)
        if status and status[0] >= min_time:
            return picture, status, text
        return None
    try:
        return wait_until(f"a status line with Time >= {min_time}", probe, timeout, interval=0.5)
    except Failure as failure:
        raise Failure(f"{failure}; last read: {seen.get('text')!r}")


def high_flight_picture(sim, shot_path, tries=4):
    """A picture of the flight while the glider is still high, as
    flying_status returns it. The glider dives steeply, and the camera
    following it sees less sky the lower it is: on a loaded machine the first
    legible picture can come after 5 s of flight, near the ground. Then F1
    puts the glider back at its start and the picture is taken again."""
    for _ in range(tries):
        picture, status, text = flying_status(sim, shot_path, min_time=0.01)
        if status[4] > 100.0:
            return picture, status, text
        print(f"picture taken late, pilot at z = {status[4]} ({text}); F1 and again")
        sim.keys("F1")
    raise Failure(f"no picture of the glider above 100 m in {tries} tries; last read {text!r}")


def escape_exits_cleanly(sim):
    sim.keys("Escape")
    status = sim.wait_exit(timeout=30)
    check(status == 0, f"Escape: exit status {status}, expected 0")
    check(sim.stdout().endswith("key: 27\n"), f"Escape: stdout ends {sim.stdout()[-40:]!r}")


def in_generated_terrain_range(terrain):
    # The generated terrain's heights lie within about -11.9 .. 12.5 m.
    return -12.0 <= terrain <= 12.6


def scenario_window(binary, work):
    """No terrain.jpg: generated terrain. Title as typed, the picture, the
    status line, the mouse, the keys and Escape."""
    cwd = fresh_dir(work, "window")
    typed = os.path.relpath(binary, cwd)  # the path as a user in cwd types it
    check("/" in typed, "expected a relative path with a directory part")
    shot = os.path.join(work, "screenshot.png")
    with VirtualScreen(cwd) as screen, Simulator(screen, typed, cwd) as sim:
        window = sim.wait_for_window()
        check(sim.title_of(window) == typed, f"title {sim.title_of(window)!r}, expected {typed!r}")
        x, y, w, h = sim.geometry()
        check((w, h) == (WIDTH, HEIGHT), f"window is {w}x{h}, expected {WIDTH}x{HEIGHT}")

        picture, status, text = high_flight_picture(sim, shot)
        print(f"status line read: {text}")
        total = WIDTH * HEIGHT
        sky = picture.count(is_sky)
        green = picture.count(is_green_terrain)
        purple = picture.count(is_purple_terrain)
        red_text = picture.count(is_status_red, left=0, top=HEIGHT - 40, right=WIDTH // 2, bottom=HEIGHT)
        print(f"pixels: sky {sky}, green terrain {green}, purple terrain {purple}, status red {red_text}")
        check(sky > total // 20, f"too little sky colour: {sky} pixels")
        check(green > total // 20, f"too little lit green terrain: {green} pixels")
        check(purple > 200, f"too little low (purple) terrain: {purple} pixels")
        check(red_text > 300, f"no red status text near the bottom-left corner: {red_text} pixels")
        text_pixels = picture.where(is_status_red)
        check(min(px for px, _ in text_pixels) <= 20 and max(py for _, py in text_pixels) >= HEIGHT - 20,
              "status text does not start near the bottom-left corner")

        box = dict(left=CENTRE[0] - 160, top=CENTRE[1] - 120, right=CENTRE[0] + 160, bottom=CENTRE[1] + 120)
        wing = picture.where(is_wing, **box)
        print(f"wing pixels near the centre: {len(wing)}")
        check(len(wing) > 2000, f"glider not visible near the window centre: {len(wing)} wing pixels")
        cx = sum(p[0] for p in wing) / len(wing)
        cy = sum(p[1] for p in wing) / len(wing)
        check(abs(cx - CENTRE[0]) < 80 and abs(cy - CENTRE[1]) < 80, f"wing centred at ({cx:.0f}, {cy:.0f})")

        t, terrain, px, py, pz = status
        check(in_generated_terrain_range(terrain), f"Terrain={terrain} is not on the generated terrain")
        check(abs(px) < 20 and 100 < py < 200 and 0 < pz < 140, f"pilot at ({px}, {py}, {pz})")

        sim.keys("a", "F2", "Left", "Right", "Up", "Down", "F1")
        wait_until("the echo of a and F2", lambda: sim.stdout() == "key: 97\nspecial key: 2\n", 20)
        time.sleep(0.5)  # nothing more may come from the arrows and F1
        check(sim.stdout() == "key: 97\nspecial key: 2\n", f"stdout {sim.stdout()!r}")
        check(not sim.exited(), "the program ended on an arrow key or F1")

        # Drag up 400 px: the elevation stops at 90, looking straight down,
        # so no sky is left in view.
        sim.drag((CENTRE[0], 440), (CENTRE[0], 40))
        def no_sky():
            down = sim.screenshot(os.path.join(cwd, "straight-down.png"))
            return down if down.count(is_sky) == 0 else None
        down = wait_until("a view straight down without sky", no_sky, 30, interval=0.5)
        near_wing = down.count(is_wing, **box)
        # Shift-drag up 300 px: 30 m further away, the glider shrinks.
        sim.drag((CENTRE[0], 400), (CENTRE[0], 100), shift=True)
        def zoomed_out():
            far = sim.screenshot(os.path.join(cwd, "zoomed-out.png"))
            return far if far.count(is_wing, **box) < near_wing // 4 else None
        wait_until(f"the glider to shrink below a quarter of {near_wing} pixels", zoomed_out, 30, interval=0.5)
        # freeglut reports Shift itself as special key 112, which is echoed
        # like any other unassigned special key.
        check(sim.stdout() == "key: 97\nspecial key: 2\nspecial key: 112\n", f"stdout {sim.stdout()!r}")

        escape_exits_cleanly(sim)
        check(sim.stdout() == "key: 97\nspecial key: 2\nspecial key: 112\nkey: 27\n", f"stdout {sim.stdout()!r}")

        check(sim.stderr() == "Erreur : impossible d'ouvrir terrain.jpg\n", f"stderr {sim.stderr()!r}")


def scenario_heightmap(binary, work):
    """A usable greyscale terrain.jpg, level at grey 128: the status line
    reads Terrain=12.8 wherever the pilot is, and the ground is all of the
    low-end colour."""
    cwd = fresh_dir(work, "heightmap")
    image = os.path.join(cwd, "terrain.jpg")
    subprocess.run(["convert", "-size", "400x400", "xc:gray(128)", "-colorspace", "Gray", "-type", "Grayscale",
                    image], check=True)
    check(jpeg_components(image) == 1, "the test heightmap is not a one-component JPEG")
    with VirtualScreen(cwd) as screen, Simulator(screen, binary, cwd) as sim:
        window = sim.wait_for_window()
        check(sim.title_of(window) == binary, f"title {sim.title_of(window)!r}, expected {binary!r}")
        picture, status, text = flying_status(sim, os.path.join(cwd, "screenshot.png"))
        print(f"status line read: {text}")
        check(status[1] == 12.8, f"Terrain={status[1]}, expected 12.8 from grey 128")
        purple = picture.count(is_purple_terrain)
        green = picture.count(is_green_terrain)
        print(f"pixels: purple terrain {purple}, green terrain {green}")
        check(purple > WIDTH * HEIGHT // 20 and green == 0, "the level heightmap is not drawn in one colour")
        escape_exits_cleanly(sim)
        check(sim.stderr() == "", f"stderr {sim.stderr()!r}")


def scenario_colour_jpeg(binary, work):
    """A colour terrain.jpg: the greyscale message, then the generated
    terrain."""
    cwd = fresh_dir(work, "colour-jpeg")
    image = os.path.join(cwd, "terrain.jpg")
    subprocess.run(["convert", "-size", "64x64", "gradient:orange-navy", "-type", "TrueColor", image], check=True)
    check(jpeg_components(image) == 3, "the colour test image is not a three-component JPEG")
    with VirtualScreen(cwd) as screen, Simulator(screen, binary, cwd) as sim:
        sim.wait_for_window()
        picture, status, text = flying_status(sim, os.path.join(cwd, "screenshot.png"))
        print(f"status line read: {text}")
        check(in_generated_terrain_range(status[1]), f"Terrain={status[1]} is not on the generated terrain")
        check(picture.count(is_green_terrain) > WIDTH * HEIGHT // 20, "no generated terrain in view")
        escape_exits_cleanly(sim)
        check(sim.stderr() == "Error : l'image doit etre en niveaux de gris\n", f"stderr {sim.stderr()!r}")


def scenario_corrupt_jpeg(binary, work):
    """A terrain.jpg that is no JPEG: libjpeg's message and status 1, before
    any window opens."""
    cwd = fresh_dir(work, "corrupt-jpeg")
    with open(os.path.join(cwd, "terrain.jpg"), "wb") as f:
        f.write(b"this is not a picture\n" * 40)
    with VirtualScreen(cwd) as screen, Simulator(screen, binary, cwd) as sim:
        status = sim.wait_exit(timeout=60)
        check(status == 1, f"exit status {status}, expected 1")
        err = sim.stderr()
        check("Not a JPEG file" in err, f"stderr {err!r} lacks libjpeg's message")
        check("Erreur" not in err and "Error :" not in err, f"stderr {err!r}")
        check(sim.stdout() == "", f"stdout {sim.stdout()!r}")
        found = screen.run("xdotool", "search", "--name", ".")
        check(found.stdout.strip() == "", "a window was opened")


def scenario_closed_streams(binary, work):
    """Started with standard output and error closed: the X connection must
    not take their numbers, or the key echo lands inside it and the program
    freezes or dies of an X error. Keys are echoed into nothing, the window
    keeps flying and Escape ends it with status 0."""
    cwd = fresh_dir(work, "closed-streams")
    wrapper = os.path.join(cwd, "closed-streams.sh")
    with open(wrapper, "w") as f:
        f.write(f'#!/bin/sh\nexec "{binary}" >&- 2>&-\n')
    os.chmod(wrapper, 0o755)
    with VirtualScreen(cwd) as screen, Simulator(screen, wrapper, cwd) as sim:
        sim.command = binary  # the window's title: the path the wrapper ran
        sim.wait_for_window()
        _, status, _ = flying_status(sim, os.path.join(cwd, "before.png"))
        sim.keys("a", "b", "F2", "Left")
        _, later, text = flying_status(sim, os.path.join(cwd, "after.png"), min_time=status[0] + 1.0)
        print(f"status line read after the keys: {text}")
        sim.keys("Escape")
        code = sim.wait_exit(timeout=30)
        check(code == 0, f"Escape: exit status {code}, expected 0")
        check(sim.stdout() == "" and sim.stderr() == "", "the closed streams were written")


def scenario_geometry(binary, work):
    """GLUT's -geometry sets the window's size and position, each part on its
    own; without it the window is 640 x 480 at (100, 100). GLUT takes its
    option out: the title is still the program path alone."""
    cwd = fresh_dir(work, "geometry")
    cases = [([], (100, 100, 640, 480)),
             (["-geometry", "800x600+10+20"], (10, 20, 800, 600)),
             (["-geometry", "320x200"], (100, 100, 320, 200)),
             (["-geometry", "+30+40"], (30, 40, 640, 480)),
             (["-geometry", "320x200-0-0"], (1024 - 320, 768 - 200, 320, 200))]  # on the 1024 x 768 screen
    with VirtualScreen(cwd) as screen:
        for args, expected in cases:
            with Simulator(screen, binary, cwd, args=args) as sim:
                window = sim.wait_for_window()
                # The window may be mapped before GLUT has finished placing it.
                wait_until(f"the window at {expected} with {args}", lambda: sim.geometry() == expected, 10)
                check(sim.title_of(window) == binary, f"title {sim.title_of(window)!r} with {args}")
                try:
                    escape_exits_cleanly(sim)
                except Failure as failure:
                    raise Failure(f"with {args}: {failure}")
                check(sim.stderr() == "Erreur : impossible d'ouvrir terrain.jpg\n",
                      f"with {args}: stderr {sim.stderr()!r}")


def scenario_window_close(binary, work):
    """Closing the window from outside ends the program with status 0 and
    nothing on stderr but the terrain message, whenever it happens: destroyed
    by another client (xdotool windowclose) or asked to close as a window
    manager does (WM_DELETE_WINDOW). Repeated at different moments of the
    flight, since a destruction racing a frame is what used to fail."""
    cwd = fresh_dir(work, "window-close")
    delays = [0.0, 0.05, 0.1, 0.2, 0.35, 0.5, 0.8, 1.2]  # (unit: s) after the window appears
    rounds = 12
    with VirtualScreen(cwd) as screen:
        for k in range(rounds):
            asked = k % 3 == 2
            how = "WM_DELETE_WINDOW" if asked else "xdotool windowclose"
            with Simulator(screen, binary, cwd) as sim:
                sim.wait_for_window()
                time.sleep(delays[k % len(delays)])
                if asked:
                    sim.ask_to_close()
                else:
                    sim.destroy_window()
                try:
                    status = sim.wait_exit(timeout=20)
                except Failure as failure:
                    raise Failure(f"round {k + 1}, {how}: {failure}")
                check(status == 0, f"round {k + 1}, {how}: exit status {status}; stderr {sim.stderr()!r}")
                check(sim.stderr() == "Erreur : impossible d'ouvrir terrain.jpg\n",
                      f"round {k + 1}, {how}: stderr {sim.stderr()!r}")
                check(sim.stdout() == "", f"round {k + 1}, {how}: stdout {sim.stdout()!r}")
    print(f"{rounds} closes, each ended with status 0")


SCENARIOS = {
    "closed_streams": scenario_closed_streams,
    "window": scenario_window,
    "geometry": scenario_geometry,
    "window_close": scenario_window_close,
    "heightmap": scenario_heightmap,
    "colour_jpeg": scenario_colour_jpeg,
    "corrupt_jpeg": scenario_corrupt_jpeg,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--binary", required=True)
    parser.add_argument("--work", required=True)
    args = parser.parse_args()
    binary = os.path.abspath(args.binary)
    os.makedirs(args.work, exist_ok=True)
    started = time.monotonic()
    try:
        need_tools()
        SCENARIOS[args.scenario](binary, os.path.abspath(args.work))
    except (Failure, subprocess.TimeoutExpired) as failure:
        print(f"FAIL {args.scenario}: {failure}", file=sys.stderr)
        return 1
    print(f"PASS {args.scenario} in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
