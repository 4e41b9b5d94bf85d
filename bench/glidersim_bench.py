"""The research module's figures: batched realistic steps per second on one
and two threads, one environment decision, memory over a long flight, and a
200-flight sweep on one and two Dask workers.

    ./scripts/python bench/glidersim_bench.py [--quick] [--sweep]
"""
import argparse
import os
import subprocess
import sys
import tempfile
import time

import numpy as np

import glidersim

DAY = ["--scenario", glidersim.THERMAL_DAY]


def steps_per_second(worlds, threads, decisions=20, steps=100):
    """Steps per second of wall time, and per second of this process's CPU
    time (per core busy: what a shared machine's other load does not take)."""
    batch = glidersim.Batch(worlds, DAY, threads=threads)
    batch.step(steps)  # warm
    shifts = np.zeros((worlds, 2))
    wall, cpu = time.perf_counter(), time.process_time()
    for k in range(decisions):
        shifts[:, 0] = 0.3 * np.sin(k)
        batch.step(steps, shifts)
    done = worlds * decisions * steps
    return done / (time.perf_counter() - wall), done / (time.process_time() - cpu)


def decision_ms(decisions=100):
    env = glidersim.GliderEnv(decision_steps=100, max_decisions=10 ** 6)
    env.reset(seed=1)
    wall, cpu = time.perf_counter(), time.process_time()
    for k in range(decisions):
        env.step([0.3 * np.sin(k), 0.0])
    return ((time.perf_counter() - wall) / decisions * 1000.0, (time.process_time() - cpu) / decisions * 1000.0)


def resident_mb():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 1e6


def long_flight(steps):
    flight = glidersim.Flight(DAY + ["--launch", "0,0,3000,90"])
    flight.step(10000)
    before = resident_mb()
    flight.step(steps)
    return before, resident_mb(), flight.steps_run


def sweep_seconds(workers, runs):
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "day.csv")
        began = time.perf_counter()
        subprocess.run([sys.executable, "-m", "glidersim.sweep", "thermal-day", "--workers", str(workers), "--runs",
                        str(runs), "--out", out, "--plot", "none"], check=True)
        seconds = time.perf_counter() - began
        return seconds, open(out).read()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--sweep", action="store_true", help="also the 200-flight sweep on 1 and 2 workers")
    options = parser.parse_args()
    one = max(steps_per_second(4, 1) for _ in range(3))
    two = max(steps_per_second(4, 2) for _ in range(3))
    print(f"batched realistic steps/s: 1 thread {one[0]:,.0f} wall, {one[1]:,.0f} per CPU second; "
          f"2 threads {two[0]:,.0f} wall ({two[0] / one[0]:.2f}x), {two[1]:,.0f} per CPU second")
    wall, cpu = min(decision_ms() for _ in range(3))
    print(f"env decision of 100 steps: {wall:.2f} ms wall, {cpu:.2f} ms CPU")
    if not options.quick:
        before, after, steps = long_flight(10 ** 6)
        print(f"{steps:,} steps: resident memory {before:.1f} MB before, {after:.1f} MB after")
    if options.sweep:
        serial, table_one = sweep_seconds(1, 200)
        parallel, table_two = sweep_seconds(2, 200)
        print(f"200-flight sweep: 1 worker {serial:.1f} s, 2 workers {parallel:.1f} s ({serial / parallel:.2f}x); "
              f"tables {'identical' if table_one == table_two else 'DIFFER'}")


if __name__ == "__main__":
    main()
