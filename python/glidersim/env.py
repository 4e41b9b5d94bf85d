"""Gymnasium-shaped environments: thermalling and cross-country tasks on
seeded thermal days.

The action is the weight shift (lateral, fore), each in [-1, 1], held for a
decision interval of physics steps; the observation is what a pilot senses
(see OBSERVATION_NAMES), with the way to the next turnpoint on a task. Two
rewards: "thermal", the height gained over the decision; "cross-country",
the distance made good along the optimised task over the decision, and a
bonus at the finish. An episode ends (terminated) when the pilot touches
down, the flight diverges or the task is finished, and is cut short
(truncated) after max_decisions decisions. Gymnasium is used when it is
installed; otherwise the same interface stands on its own.
"""
import math
import os

import numpy as np

from . import _core

try:  # subclass the real thing when it is there
    import gymnasium as _gym
    from gymnasium.spaces import Box
    _EnvBase = _gym.Env
except ImportError:  # the same interface without it
    _gym = None

    class Box:
        """A box of real vectors, as gymnasium.spaces.Box."""

        def __init__(self, low, high, shape=None, dtype=np.float64, seed=None):
            shape = tuple(shape) if shape is not None else np.shape(low)
            self.dtype = np.dtype(dtype)
            self.shape = shape
            self.low = np.broadcast_to(np.asarray(low, dtype=self.dtype), shape).copy()
            self.high = np.broadcast_to(np.asarray(high, dtype=self.dtype), shape).copy()
            self.np_random = np.random.default_rng(seed)

        def seed(self, seed=None):
            self.np_random = np.random.default_rng(seed)
            return [seed]

        def sample(self):
            low = np.where(np.isfinite(self.low), self.low, -1.0)
            high = np.where(np.isfinite(self.high), self.high, 1.0)
            return self.np_random.uniform(low, high).astype(self.dtype)

        def contains(self, x):
            x = np.asarray(x)
            return x.shape == self.shape and bool(np.all(x >= self.low) and np.all(x <= self.high))

        def __contains__(self, x):
            return self.contains(x)

        def __repr__(self):
            return f"Box({self.low}, {self.high}, {self.shape}, {self.dtype})"

    class _EnvBase:
        metadata = {}
        np_random = None

        def reset(self, *, seed=None, options=None):
            if seed is not None or self.np_random is None:
                self.np_random = np.random.default_rng(seed)

        def close(self):
            pass

_HERE = os.path.dirname(os.path.abspath(__file__))
THERMAL_DAY = os.path.join(_HERE, "thermal_day.toml")
TASK_DAY = os.path.join(_HERE, "task_day.toml")

REWARDS = ("thermal", "cross-country")
# What each reward flies when no options are given: the day, its thermals
# and the decisions an episode may last (a task takes longer than a climb).
_DEFAULTS = {"thermal": (THERMAL_DAY, 12, 300), "cross-country": (TASK_DAY, 30, 1800)}

# Bounds of each observation, in OBSERVATION_NAMES' order.
_OBSERVATION_LOW = [0.0, -50.0, -180.0, 0.0, -1.0e4, -50.0, -50.0]
_OBSERVATION_HIGH = [200.0, 50.0, 180.0, 360.0, 1.0e4, 50.0, 50.0]
# On a task, two more: the next turnpoint's bearing from the heading
# (degrees, + to the right) and its distance (m).
TASK_OBSERVATION_NAMES = ("next_bearing", "next_distance")
_TASK_LOW = [-180.0, 0.0]
_TASK_HIGH = [180.0, 1.0e6]
_HEADING = 3
_FLOWN = _core.TASK_FIGURE_NAMES.index("distance_flown")
_FINISHED = _core.TASK_FIGURE_NAMES.index("finished")
_NEXT_BEARING = _core.TASK_FIGURE_NAMES.index("next_bearing")
_NEXT_DISTANCE = _core.TASK_FIGURE_NAMES.index("next_distance")
_SEED_LIMIT = 2147483647  # --thermals-random takes seeds up to this
# (unit: m) the pilot this close to the ground has touched down: a glider
# skidding along it need not come to rest to end the episode.
TOUCHDOWN_HEIGHT = 0.05
_HEIGHT = 4  # the height's place in the observation


def observation_space(reward="thermal"):
    task = reward == "cross-country"
    return Box(np.array(_OBSERVATION_LOW + (_TASK_LOW if task else [])),
               np.array(_OBSERVATION_HIGH + (_TASK_HIGH if task else [])), dtype=np.float64)


def task_observation(observations, figures):
    """The pilot's observations (..., 7) with the way to the next turnpoint
    from the task's figures (..., TASK_FIGURE_NAMES) appended."""
    relative = (figures[..., _NEXT_BEARING] - observations[..., _HEADING] + 180.0) % 360.0 - 180.0
    return np.concatenate([observations, relative[..., None], figures[..., _NEXT_DISTANCE, None]], axis=-1)


def action_space():
    return Box(-1.0, 1.0, shape=(2,), dtype=np.float64)


def day_args(rng, args, thermals):
    """The flight of one seeded thermal day: `args`, thermals scattered from
    a seed drawn from `rng`, and one of them within 150 m of the origin (the
    thermal day's start, the task day's start line)."""
    seed = int(rng.integers(0, _SEED_LIMIT))
    angle = rng.uniform(0.0, 2.0 * math.pi)
    distance = rng.uniform(0.0, 150.0)
    near = (distance * math.cos(angle), distance * math.sin(angle), rng.uniform(2.0, 4.0), rng.uniform(80.0, 140.0))
    return list(args) + ["--thermals-random", f"{thermals},{seed}",
                         "--thermal", ",".join(repr(float(v)) for v in near)]


def _settings(reward, args, thermals, max_decisions):
    """The reward's defaults for what is not given."""
    if reward not in REWARDS:
        raise ValueError(f"reward: expected one of {', '.join(map(repr, REWARDS))}, got {reward!r}")
    day, count, decisions = _DEFAULTS[reward]
    return (list(args) if args is not None else ["--scenario", day], count if thermals is None else int(thermals),
            decisions if max_decisions is None else int(max_decisions))


def _no_task(args):
    return ValueError("reward 'cross-country': the flight has no task (give --task FILE.cup[:NAME] or a scenario "
                      f"with a [task]): {' '.join(args)}")


class GliderEnv(_EnvBase):
    """One glider learning to thermal (reward="thermal") or to fly a task
    (reward="cross-country"). `args` are glider-flight's options for the
    flight (default: the package's thermal day, or its task day); every
    reset flies a new day drawn from the environment's seed. A finished task
    earns `finish_bonus` (m) on top of the distance."""

    metadata = {"render_modes": []}

    def __init__(self, args=None, decision_steps=100, max_decisions=None, thermals=None, reward="thermal",
                 finish_bonus=1000.0):
        self.args, self.thermals, self.max_decisions = _settings(reward, args, thermals, max_decisions)
        if decision_steps < 1 or self.max_decisions < 1 or self.thermals < 0:
            raise ValueError("decision_steps and max_decisions must be at least 1 and thermals at least 0")
        self.reward = reward
        self.cross_country = reward == "cross-country"
        self.finish_bonus = float(finish_bonus)
        self.decision_steps = int(decision_steps)
        self.observation_space = observation_space(reward)
        self.action_space = action_space()
        self.flight = None
        self.decisions = 0

    def reset(self, *, seed=None, options=None):
        super().reset(seed=seed)
        if self.np_random is None:
            self.np_random = np.random.default_rng(seed)
        args = (options or {}).get("args") or day_args(self.np_random, self.args, self.thermals)
        if self.flight is None:
            self.flight = _core.Flight(args)
        else:
            self.flight.reset(args)
        if self.cross_country and self.flight.task is None:
            raise _no_task(args)
        self.decisions = 0
        return self._observe(), self._info()

    def step(self, action):
        if self.flight is None:
            raise RuntimeError("call reset() before step()")
        action = np.asarray(action, dtype=np.float64).reshape(2)
        lateral, fore = (float(v) for v in np.clip(action, -1.0, 1.0))
        before = self._progress()
        self.flight.step(self.decision_steps, shift=(lateral, fore))
        self.decisions += 1
        after = self._progress()
        reward = float(after[0] - before[0])
        finished = after[1]
        if finished and not before[1]:
            reward += self.finish_bonus
        observation = self._observe()
        terminated = bool(self.flight.landed or self.flight.diverged or observation[_HEIGHT] < TOUCHDOWN_HEIGHT
                          or finished)
        truncated = not terminated and self.decisions >= self.max_decisions
        return observation, reward, terminated, truncated, self._info()

    def _progress(self):
        """What the reward counts (height, or distance along the task) and
        whether the task is finished."""
        if not self.cross_country:
            return float(self.flight.pilot[2]), False
        figures = self.flight.task_figures
        return float(figures[_FLOWN]), bool(figures[_FINISHED])

    def _observe(self):
        observation = self.flight.observation
        return task_observation(observation, self.flight.task_figures) if self.cross_country else observation

    def _info(self):
        f = self.flight
        touched = f.landed or f.observation[_HEIGHT] < TOUCHDOWN_HEIGHT
        info = {"step": f.steps_run, "position": np.array(f.pilot), "landed": bool(touched), "diverged": f.diverged}
        if self.cross_country:
            info["task"] = f.task
        return info


class GliderVecEnv:
    """num_envs GliderEnv worlds in one Batch, stepped together across
    threads. step(actions) takes an (num_envs, 2) array and returns arrays;
    a world that ends is reset at once (its last observation in
    infos["final_observation"]), as Gymnasium's vector environments do."""

    metadata = {"render_modes": [], "autoreset_mode": "next-step-same"}

    def __init__(self, num_envs, args=None, decision_steps=100, max_decisions=None, thermals=None, reward="thermal",
                 threads=0, finish_bonus=1000.0):
        if num_envs < 1:
            raise ValueError(f"num_envs: expected at least 1, got {num_envs}")
        self.args, self.thermals, self.max_decisions = _settings(reward, args, thermals, max_decisions)
        self.reward = reward
        self.cross_country = reward == "cross-country"
        self.finish_bonus = float(finish_bonus)
        self.num_envs = int(num_envs)
        self.decision_steps = int(decision_steps)
        self.threads = threads
        self.single_observation_space = observation_space(reward)
        self.single_action_space = action_space()
        self.observation_space = Box(np.tile(self.single_observation_space.low, (self.num_envs, 1)),
                                     np.tile(self.single_observation_space.high, (self.num_envs, 1)))
        self.action_space = Box(-1.0, 1.0, shape=(self.num_envs, 2))
        self.batch = None
        self.decisions = np.zeros(self.num_envs, dtype=np.int64)
        self.rngs = None

    def reset(self, *, seed=None, options=None):
        seeds = np.random.SeedSequence(seed).spawn(self.num_envs)
        self.rngs = [np.random.default_rng(s) for s in seeds]
        worlds = [day_args(rng, self.args, self.thermals) for rng in self.rngs]
        if self.batch is None:
            self.batch = _core.Batch(worlds, threads=self.threads)
        else:
            for i, args in enumerate(worlds):
                self.batch.reset(i, args)
        if self.cross_country:
            missing = np.flatnonzero(np.isnan(self.batch.task_figures[:, _FLOWN]))
            if missing.size:
                raise _no_task(worlds[missing[0]])
        self.decisions[:] = 0
        return self._observe(), {}

    def step(self, actions):
        if self.batch is None:
            raise RuntimeError("call reset() before step()")
        shifts = np.clip(np.asarray(actions, dtype=np.float64).reshape(self.num_envs, 2), -1.0, 1.0)
        before, finished_before = self._progress()
        self.batch.step(self.decision_steps, shifts)
        self.decisions += 1
        after, finished = self._progress()
        rewards = after - before + np.where(finished & ~finished_before, self.finish_bonus, 0.0)
        observations = self._observe()
        terminated = (self.batch.landed | self.batch.diverged | (observations[:, _HEIGHT] < TOUCHDOWN_HEIGHT)
                      | finished)
        truncated = ~terminated & (self.decisions >= self.max_decisions)
        infos = {}
        done = np.flatnonzero(terminated | truncated)
        if done.size:
            infos["final_observation"] = observations[done].copy()
            infos["final_index"] = done
            for i in done:
                self.batch.reset(int(i), day_args(self.rngs[i], self.args, self.thermals))
                self.decisions[i] = 0
            observations = self._observe()
        return observations, rewards, terminated, truncated, infos

    def _progress(self):
        if not self.cross_country:
            return self.batch.pilots[:, 2], np.zeros(self.num_envs, dtype=bool)
        figures = self.batch.task_figures
        return figures[:, _FLOWN], figures[:, _FINISHED] > 0

    def _observe(self):
        observations = self.batch.observations
        return task_observation(observations, self.batch.task_figures) if self.cross_country else observations

    def close(self):
        self.batch = None
