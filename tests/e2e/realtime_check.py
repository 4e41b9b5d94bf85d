#!/usr/bin/env python3
"""Does the simulation keep up with the wall clock? Reads the status line's
time in two screenshots taken a given wall time apart (20 s by default) over
the generated terrain (or a heightmap given with --terrain), as a person
would, and prints both readings. With --frame-stats it also preloads the
frame-stats counter (build/<config>/tools/frame-stats/libglider-frame-stats.so)
and reports frames per second and steps per frame over the whole run.

usage: realtime_check.py --binary PATH --work DIR [--seconds 20] [--min-ratio 0.975]
                         [--terrain IMAGE] [--frame-stats LIBRARY]

Not part of the test suite: it takes half a minute and measures the machine
as much as the program. Exit status 0 when the status time advanced by at
least min-ratio times the wall time."""

import argparse
import os
import re
import shutil
import sys
import time

from simwindow import Failure, Simulator, VirtualScreen, need_tools, parse_status, wait_until


def reading(sim, path):
    wall = time.monotonic()
    picture = sim.screenshot(path)
    text = picture.status_line()
    status = parse_status(text)
    if status is None:
        raise Failure(f"could not read the status line in {path}: {text!r}")
    return wall, status[0], text


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--binary", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--seconds", type=float, default=20.0)
    parser.add_argument("--min-ratio", type=float, default=0.975)
    parser.add_argument("--terrain", help="a heightmap to fly over, copied in as terrain.jpg")
    parser.add_argument("--frame-stats", help="the frame-stats library to preload")
    args = parser.parse_args()
    need_tools()
    cwd = os.path.abspath(os.path.join(args.work, "realtime"))
    os.makedirs(cwd, exist_ok=True)
    if os.path.exists(os.path.join(cwd, "terrain.jpg")):
        os.remove(os.path.join(cwd, "terrain.jpg"))
    if args.terrain:
        shutil.copy(args.terrain, os.path.join(cwd, "terrain.jpg"))
    preload = os.path.abspath(args.frame_stats) if args.frame_stats else None
    with VirtualScreen(cwd) as screen, Simulator(screen, os.path.abspath(args.binary), cwd, preload) as sim:
        sim.wait_for_window()
        first = os.path.join(cwd, "first.png")
        def shows_a_second():
            try:
                return reading(sim, first)[1] >= 1.0
            except Failure:  # no frame, or no legible status line, yet
                return False

        wait_until("the status line to show Time >= 1", shows_a_second, 120, interval=0.5)
        wall1, time1, text1 = reading(sim, first)
        time.sleep(max(0.0, wall1 + args.seconds - time.monotonic()))
        wall2, time2, text2 = reading(sim, os.path.join(cwd, "second.png"))
        sim.keys("Escape")
        sim.wait_exit()
        stats = re.search(r"frame-stats: seconds=([0-9.]+) frames=(\d+) redisplays=(\d+) idle_calls=(\d+)",
                          sim.stderr())
    wall = wall2 - wall1
    simulated = time2 - time1
    print(f"first:  {text1}")
    print(f"second: {text2}")
    print(f"wall time between the screenshots {wall:.2f} s, status time advanced {simulated:.2f} s "
          f"(ratio {simulated / wall:.4f})")
    if stats:
        seconds, frames, redisplays, idles = float(stats[1]), int(stats[2]), int(stats[3]), int(stats[4])
        steps = round(time2 * 100)  # steps run up to the second screenshot
        print(f"whole run: {seconds:.1f} s, {frames} frames ({frames / seconds:.1f} per second), "
              f"{idles} idle calls, {redisplays} of them ran steps: about {steps / redisplays:.2f} steps "
              f"per idle call that stepped")
    return 0 if simulated >= args.min_ratio * wall else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except Failure as failure:
        print(f"FAIL: {failure}", file=sys.stderr)
        sys.exit(2)
