"""The studies a sweep runs: each turns a run's parameters into
glider-flight's options and its flown rows into figures.

A study is a name, the parameters of its runs, the options one run flies
and what is measured of it. Paths are resolved where the run flies, so a
remote worker uses its own installed package."""
import math
import os

import numpy as np

_HERE = os.path.dirname(os.path.abspath(__file__))

# The realistic glider's bar, in presses of the up (forward, faster) and
# down (aft, slower) keys from its trim.
POLAR_PRESSES = 13
# Seconds the glider settles after the trim is set, then is measured over.
POLAR_SETTLE = 30.0
STEPS_PER_SECOND = 100


class Study:
    name = ""
    description = ""
    plot = ("", "")  # the x and y columns drawn

    def runs(self, count, steps):
        raise NotImplementedError

    def args(self, params):
        raise NotImplementedError

    def measure(self, rows, params):
        raise NotImplementedError

    def fly(self, params):
        """The options one run flew and its figures."""
        from . import _core
        args = self.args(params)
        return args, self.measure(_core.fly(args), params)


class Polar(Study):
    """The realistic glider's polar: straight glides in still air, one per
    fore-aft trim (bar presses from the trim, + pulled in), measured after
    they settle."""

    name = "polar"
    description = "the realistic polar over fore-aft trims"
    plot = ("airspeed_kmh", "sink")

    def runs(self, count, steps):
        count = count or 2 * POLAR_PRESSES + 1
        presses = [round(-POLAR_PRESSES + 2 * POLAR_PRESSES * i / max(count - 1, 1)) for i in range(count)]
        return [{"presses": p, "steps": steps or 9000} for p in presses]

    def args(self, params):
        presses = int(params["presses"])
        key = "up" if presses > 0 else "down"
        args = ["--scenario", os.path.join(_HERE, "still_air.toml"), "--steps", str(int(params["steps"])),
                "--every", "100", "--until-landed"]
        for _ in range(abs(presses)):
            args += ["--key", f"0:{key}"]
        return args

    def measure(self, rows, params):
        settled = rows[rows[:, 1] >= POLAR_SETTLE]
        if len(settled) < 2:
            raise ValueError("the flight ended before it settled")
        first, last = settled[0], settled[-1]
        seconds = last[1] - first[1]
        distance = math.hypot(last[2] - first[2], last[3] - first[3])
        sink = (first[4] - last[4]) / seconds
        speed = distance / seconds  # over the ground, in still air
        airspeed = math.hypot(speed, sink)
        return {"airspeed_kmh": airspeed * 3.6, "sink": sink,
                "glide_ratio": speed / sink if sink > 0 else float("nan")}


class ThermalDay(Study):
    """A thermal-day Monte Carlo: one straight glide per seeded day, on its
    own heading, through thermals scattered from the seed; how much height
    each day's luck gives or takes."""

    name = "thermal-day"
    description = "straight glides through seeded thermal days"
    plot = ("seed", "height_change")

    def runs(self, count, steps):
        return [{"seed": i + 1, "heading": round((i * 137.5) % 360.0, 1), "steps": steps or 6000}
                for i in range(count or 200)]

    def args(self, params):
        return ["--scenario", os.path.join(_HERE, "thermal_day.toml"), "--thermals-random",
                f"12,{int(params['seed'])}", "--pilot", f"heading:{params['heading']}", "--steps",
                str(int(params["steps"])), "--every", "100", "--until-landed"]

    def measure(self, rows, params):
        start, z = rows[0, 4], rows[:, 4]
        return {"height_change": z[-1] - start, "highest_gain": float(np.max(z) - start),
                "distance": math.hypot(rows[-1, 2] - rows[0, 2], rows[-1, 3] - rows[0, 3]),
                "seconds": rows[-1, 1]}


def lean_to_the_rising_tip(observation):
    """A simple thermalling policy: weight towards the wingtip whose air
    rises faster, bar at trim."""
    return [0.5 if observation[6] > observation[5] else -0.5, 0.0]


class Policy(Study):
    """A policy's evaluation: one GliderEnv episode per seeded thermal day,
    flown by lean_to_the_rising_tip; the height it gains and how long it
    stays up."""

    name = "policy"
    description = "lean-to-the-rising-tip over seeded thermal days"
    plot = ("seed", "climb")

    def runs(self, count, steps):
        return [{"seed": i + 1, "decisions": max(1, (steps or 12000) // 100)} for i in range(count or 50)]

    def fly(self, params):
        from .env import GliderEnv
        env = GliderEnv(decision_steps=100, max_decisions=int(params["decisions"]))
        observation, _ = env.reset(seed=int(params["seed"]))
        climb, decisions, terminated, truncated = 0.0, 0, False, False
        while not (terminated or truncated):
            observation, reward, terminated, truncated, _ = env.step(lean_to_the_rising_tip(observation))
            climb += reward
            decisions += 1
        return env.flight.args, {"climb": climb, "decisions_flown": decisions, "touched_down": terminated}


STUDIES = {study.name: study for study in (Polar(), ThermalDay(), Policy())}
