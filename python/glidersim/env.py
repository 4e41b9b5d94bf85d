"""Gymnasium-shaped environments: learning to thermal on seeded thermal days.

The action is the weight shift (lateral, fore), each in [-1, 1], held for a
decision interval of physics steps; the observation is what a pilot senses
(see OBSERVATION_NAMES); the reward is the height gained over the decision.
An episode ends (terminated) when the pilot touches down or the flight
diverges, and is cut
short (truncated) after max_decisions decisions. Gymnasium is used when it
is installed; otherwise the same interface stands on its own.
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

# Bounds of each observation, in OBSERVATION_NAMES' order.
_OBSERVATION_LOW = [0.0, -50.0, -180.0, 0.0, -1.0e4, -50.0, -50.0]
_OBSERVATION_HIGH = [200.0, 50.0, 180.0, 360.0, 1.0e4, 50.0, 50.0]
_SEED_LIMIT = 2147483647  # --thermals-random takes seeds up to this
# (unit: m) the pilot this close to the ground has touched down: a glider
# skidding along it need not come to rest to end the episode.
TOUCHDOWN_HEIGHT = 0.05
_HEIGHT = 4  # the height's place in the observation


def observation_space():
    return Box(np.array(_OBSERVATION_LOW), np.array(_OBSERVATION_HIGH), dtype=np.float64)


def action_space():
    return Box(-1.0, 1.0, shape=(2,), dtype=np.float64)


def day_args(rng, args, thermals):
    """The flight of one seeded thermal day: `args`, thermals scattered from
    a seed drawn from `rng`, and one of them within 150 m of the start."""
    seed = int(rng.integers(0, _SEED_LIMIT))
    angle = rng.uniform(0.0, 2.0 * math.pi)
    distance = rng.uniform(0.0, 150.0)
    near = (distance * math.cos(angle), distance * math.sin(angle), rng.uniform(2.0, 4.0), rng.uniform(80.0, 140.0))
    return list(args) + ["--thermals-random", f"{thermals},{seed}",
                         "--thermal", ",".join(repr(float(v)) for v in near)]


def _check_reward(reward):
    if reward != "thermal":
        raise ValueError(f"reward: expected 'thermal', got {reward!r}")


class GliderEnv(_EnvBase):
    """One glider learning to thermal. `args` are glider-flight's options for
    the flight (default: the package's thermal day); every reset flies a new
    day drawn from the environment's seed."""

    metadata = {"render_modes": []}

    def __init__(self, args=None, decision_steps=100, max_decisions=300, thermals=12, reward="thermal"):
        if decision_steps < 1 or max_decisions < 1 or thermals < 0:
            raise ValueError("decision_steps and max_decisions must be at least 1 and thermals at least 0")
        _check_reward(reward)
        self.args = list(args) if args is not None else ["--scenario", THERMAL_DAY]
        self.decision_steps = int(decision_steps)
        self.max_decisions = int(max_decisions)
        self.thermals = int(thermals)
        self.observation_space = observation_space()
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
        self.decisions = 0
        return self.flight.observation, self._info()

    def step(self, action):
        if self.flight is None:
            raise RuntimeError("call reset() before step()")
        action = np.asarray(action, dtype=np.float64).reshape(2)
        lateral, fore = (float(v) for v in np.clip(action, -1.0, 1.0))
        before = float(self.flight.pilot[2])
        self.flight.step(self.decision_steps, shift=(lateral, fore))
        self.decisions += 1
        reward = float(self.flight.pilot[2]) - before
        observation = self.flight.observation
        terminated = bool(self.flight.landed or self.flight.diverged or observation[_HEIGHT] < TOUCHDOWN_HEIGHT)
        truncated = not terminated and self.decisions >= self.max_decisions
        return observation, reward, terminated, truncated, self._info()

    def _info(self):
        f = self.flight
        touched = f.landed or f.observation[_HEIGHT] < TOUCHDOWN_HEIGHT
        return {"step": f.steps_run, "position": np.array(f.pilot), "landed": bool(touched), "diverged": f.diverged}


class GliderVecEnv:
    """num_envs GliderEnv worlds in one Batch, stepped together across
    threads. step(actions) takes an (num_envs, 2) array and returns arrays;
    a world that ends is reset at once (its last observation in
    infos["final_observation"]), as Gymnasium's vector environments do."""

    metadata = {"render_modes": [], "autoreset_mode": "next-step-same"}

    def __init__(self, num_envs, args=None, decision_steps=100, max_decisions=300, thermals=12, reward="thermal",
                 threads=0):
        if num_envs < 1:
            raise ValueError(f"num_envs: expected at least 1, got {num_envs}")
        _check_reward(reward)
        self.num_envs = int(num_envs)
        self.args = list(args) if args is not None else ["--scenario", THERMAL_DAY]
        self.decision_steps = int(decision_steps)
        self.max_decisions = int(max_decisions)
        self.thermals = int(thermals)
        self.threads = threads
        self.single_observation_space = observation_space()
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
        self.decisions[:] = 0
        return self.batch.observations, {}

    def step(self, actions):
        if self.batch is None:
            raise RuntimeError("call reset() before step()")
        shifts = np.clip(np.asarray(actions, dtype=np.float64).reshape(self.num_envs, 2), -1.0, 1.0)
        before = self.batch.pilots[:, 2]
        self.batch.step(self.decision_steps, shifts)
        self.decisions += 1
        rewards = self.batch.pilots[:, 2] - before
        observations = self.batch.observations
        terminated = self.batch.landed | self.batch.diverged | (observations[:, _HEIGHT] < TOUCHDOWN_HEIGHT)
        truncated = ~terminated & (self.decisions >= self.max_decisions)
        infos = {}
        done = np.flatnonzero(terminated | truncated)
        if done.size:
            infos["final_observation"] = observations[done].copy()
            infos["final_index"] = done
            for i in done:
                self.batch.reset(int(i), day_args(self.rngs[i], self.args, self.thermals))
                self.decisions[i] = 0
            observations = self.batch.observations
        return observations, rewards, terminated, truncated, infos

    def close(self):
        self.batch = None
