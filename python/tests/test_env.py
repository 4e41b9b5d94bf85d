"""The environments keep the Gymnasium interface: spaces, seeds, endings."""
import numpy as np
import pytest

import glidersim


def test_spaces_and_observations_fit():
    env = glidersim.GliderEnv(decision_steps=50)
    assert env.action_space.shape == (2,) and np.all(env.action_space.low == -1) and np.all(env.action_space.high == 1)
    assert env.observation_space.shape == (len(glidersim.OBSERVATION_NAMES),)
    obs, info = env.reset(seed=3)
    assert env.observation_space.contains(obs)
    assert env.action_space.contains(env.action_space.sample())
    obs, reward, terminated, truncated, info = env.step(np.array([0.2, -0.1]))
    assert env.observation_space.contains(obs) and isinstance(reward, float)
    assert (terminated, truncated) == (False, False) and info["step"] == 50


def test_a_seed_gives_the_same_day_and_another_seed_another():
    def episode(seed):
        env = glidersim.GliderEnv(decision_steps=100)
        first, _ = env.reset(seed=seed)
        rewards = [env.step([0.3 * np.sin(k), 0.0])[1] for k in range(5)]
        return first, rewards

    a, b, c = episode(7), episode(7), episode(8)
    assert np.array_equal(a[0], b[0]) and a[1] == b[1]
    assert a[1] != c[1]


def test_landing_terminates_and_the_decision_limit_truncates():
    low = glidersim.GliderEnv(args=["--scenario", glidersim.THERMAL_DAY, "--launch", "0,0,8,90"], decision_steps=100)
    low.reset(seed=1)
    for _ in range(20):
        _, _, terminated, truncated, info = low.step([0.0, 0.0])
        if terminated:
            break
    assert terminated and info["landed"] and not truncated

    short = glidersim.GliderEnv(max_decisions=3, decision_steps=10)
    short.reset(seed=1)
    endings = [short.step([0.0, 0.0])[2:4] for _ in range(3)]
    assert endings == [(False, False), (False, False), (False, True)]


def test_the_vector_form_steps_worlds_like_single_envs_and_resets_finished_ones():
    vec = glidersim.GliderVecEnv(3, decision_steps=100, max_decisions=2, threads=2)
    obs, _ = vec.reset(seed=11)
    assert obs.shape == (3, len(glidersim.OBSERVATION_NAMES))
    actions = np.array([[0.5, 0.0], [-0.5, 0.2], [0.0, -0.3]])
    _, rewards, terminated, truncated, infos = vec.step(actions)
    assert rewards.shape == (3,) and not terminated.any() and not truncated.any()
    _, _, terminated, truncated, infos = vec.step(actions)
    assert truncated.all() and list(infos["final_index"]) == [0, 1, 2]
    assert np.all(vec.batch.steps_run == 0)  # reset at once
    with pytest.raises(ValueError):
        glidersim.GliderVecEnv(0)
