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


def test_the_cross_country_reward_sums_to_the_distance_made_good_and_the_finish_ends_it(hop_cup):
    # The task pilot flies; each action holds the shift it left.
    env = glidersim.GliderEnv(args=["--scenario", glidersim.TASK_DAY, "--task", hop_cup, "--pilot", "task"],
                              reward="cross-country", finish_bonus=100.0)
    obs, info = env.reset(seed=2)
    assert obs.shape == (len(glidersim.OBSERVATION_NAMES) + 2,) and env.observation_space.contains(obs)
    total, rewards = 0.0, []
    for _ in range(400):
        obs, reward, terminated, truncated, info = env.step(env.flight.shift)
        rewards.append(reward)
        total += reward
        if terminated or truncated:
            break
    task = info["task"]
    assert terminated and not truncated and task["finished"] and task["points_reached"] == 2
    assert total == pytest.approx(task["task_distance"] + 100.0) and rewards[-1] >= 100.0
    assert min(rewards) >= 0.0  # the distance made good only grows

    # The vector form: per world, its rewards sum to the distance it made good.
    vec = glidersim.GliderVecEnv(2, reward="cross-country", decision_steps=200, threads=2)
    obs, _ = vec.reset(seed=5)
    assert obs.shape == (2, len(glidersim.OBSERVATION_NAMES) + 2)
    sums = np.zeros(2)
    for _ in range(40):
        obs, rewards, terminated, truncated, _ = vec.step(np.clip(obs[:, 7:8] / 90.0, -0.5, 0.5) * [1.0, 0.0])
        assert not (terminated | truncated).any()
        sums += rewards
    flown = vec.batch.task_figures[:, glidersim.TASK_FIGURE_NAMES.index("distance_flown")]
    assert np.allclose(sums, flown) and np.all(flown > 0)

    for make in (lambda: glidersim.GliderEnv(reward="soaring"),
                 lambda: glidersim.GliderEnv(args=["--scenario", glidersim.THERMAL_DAY], reward="cross-country").reset()):
        with pytest.raises(ValueError, match="reward"):
            make()
