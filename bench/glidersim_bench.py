"""The research module's figures: batched realistic steps per second on one
and two threads, one environment decision, memory over a long flight, and a
200-flight sweep on one and two Dask workers.

    ./scripts/python bench/glidersim_bench.py [--quick] [--sweep [--runs N]]

The machine is shared: each figure is the best of several short windows
(what the process gets when the neighbours leave it the cores), and the
load average is printed before and after. The sweep is timed from a running
cluster whose workers have imported the module, as a long-lived cluster
runs; starting it is printed apart.
"""
import argparse
import os
import time

import numpy as np

import glidersim

DAY = ["--scenario", glidersim.THERMAL_DAY]


def load():
    return "load average " + " ".join(f"{v:.2f}" for v in os.getloadavg())


def steps_per_second(worlds, threads, decisions=10, steps=100):
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
    """Seconds to fly the thermal-day study's runs on a ready local cluster
    of `workers` single-threaded processes, its table, and the seconds the
    cluster took to start."""
    from distributed import Client, LocalCluster

    from glidersim import sweep
    from glidersim.studies import STUDIES
    flights = STUDIES["thermal-day"].runs(runs, 0)
    began = time.perf_counter()
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        client.wait_for_workers(workers)
        client.run(lambda: __import__("glidersim._core"))
        started = time.perf_counter() - began
        cpu_before = client.run(time.process_time)
        here = time.process_time()
        began = time.perf_counter()
        rows = sweep.run_on_cluster("thermal-day", flights, client)
        seconds = time.perf_counter() - began
        # The CPU it took: the workers' and this process's (the scheduler's and client's).
        cpu_after = client.run(time.process_time)
        cpu = sum(cpu_after[w] - cpu_before[w] for w in cpu_before) + time.process_time() - here
        return seconds, sweep.table_text(rows), started, cpu


def batch_ratio(tries):
    """The best of `tries` windows on one thread and on two, alternated so
    that both meet the same neighbours."""
    one, two = (0.0, 0.0), (0.0, 0.0)
    for _ in range(tries):
        one = max(one, steps_per_second(4, 1))
        two = max(two, steps_per_second(4, 2))
    return one, two


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--quick", action="store_true")
    parser.add_argument("--sweep", action="store_true", help="also the 200-flight sweep on 1 and 2 workers")
    parser.add_argument("--runs", type=int, default=200, help="the sweep's flights")
    options = parser.parse_args()
    print(f"before: {load()}")
    one, two = batch_ratio(5 if options.quick else 20)
    print(f"batched realistic steps/s: 1 thread {one[0]:,.0f} wall, {one[1]:,.0f} per CPU second; "
          f"2 threads {two[0]:,.0f} wall ({two[0] / one[0]:.2f}x), {two[1]:,.0f} per CPU second")
    wall, cpu = min(decision_ms() for _ in range(3))
    print(f"env decision of 100 steps: {wall:.2f} ms wall, {cpu:.2f} ms CPU")
    if not options.quick:
        before, after, steps = long_flight(10 ** 6)
        print(f"{steps:,} steps: resident memory {before:.1f} MB before, {after:.1f} MB after")
    if options.sweep:
        serial, table_one, start_one, cpu_one = sweep_seconds(1, options.runs)
        print(f"... {load()}")
        parallel, table_two, start_two, cpu_two = sweep_seconds(2, options.runs)
        print(f"{options.runs}-flight sweep: 1 worker {serial:.1f} s, 2 workers {parallel:.1f} s "
              f"({serial / parallel:.2f}x); tables {'identical' if table_one == table_two else 'DIFFER'}; "
              f"CPU {cpu_one:.1f} s and {cpu_two:.1f} s; clusters started in {start_one:.1f} s and "
              f"{start_two:.1f} s")
    print(f"after: {load()}")


if __name__ == "__main__":
    main()
