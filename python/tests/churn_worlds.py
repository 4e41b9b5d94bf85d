"""Makes and drops worlds through every way the module makes them, for a
leak checker to watch (scripts/memcheck runs it under Valgrind):

    churn_worlds.py [WORLDS]   (default 1000)

Half the worlds are built by Flight and half by its reset, each stepped and
read through a view; then batches, fly() and a task's environment."""
import sys

import numpy as np

import glidersim


def churn(worlds):
    for _ in range(worlds // 2):
        flight = glidersim.Flight(["--scenario", glidersim.THERMAL_DAY], record=True)
        view = flight.pilot
        flight.step(2, shift=(0.1, 0.0))
        flight.reset()
        flight.step(1)
        _ = flight.rows, flight.particles, flight.panel, flight.task
        del flight, view
    for _ in range(10):
        batch = glidersim.Batch(3, ["--scenario", glidersim.TASK_DAY], threads=2)
        batch.step(2, np.zeros((3, 2)))
        batch.reset(1)
        _ = batch.task_figures, batch.observations
        del batch
        glidersim.fly(["--scenario", glidersim.TASK_DAY, "--steps", "3"])
    env = glidersim.GliderEnv(reward="cross-country", decision_steps=2)
    for seed in range(5):
        env.reset(seed=seed)
        env.step([0.0, 0.0])
    for bad in (["--steps", "ten"], ["--nmea", "udp:127.0.0.1:9"]):
        try:
            glidersim.Flight(bad)
        except ValueError:
            pass


if __name__ == "__main__":
    churn(int(sys.argv[1]) if len(sys.argv) > 1 else 1000)
