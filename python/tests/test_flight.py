"""Flights from Python fly as glider-flight flies them, bit for bit, and
refuse what it refuses with its own words."""
import os
import subprocess
import threading

import numpy as np
import pytest

import glidersim
from conftest import SCENARIOS, run_glider_flight

THERMAL = os.path.join(SCENARIOS, "thermal.toml")
RIDGE = os.path.join(SCENARIOS, "ridge.toml")

FLIGHTS = {
    # the realistic glider circling a thermal under its simple pilot, the air in the rows
    "thermal": ["--scenario", THERMAL, "--steps", "700", "--every", "7", "--air"],
    # ridge lift and a pilot flying a line
    "ridge": ["--scenario", RIDGE, "--steps", "500", "--every", "50"],
    # the classic glider steered by planned keys, and F1 taking it back
    "keys": ["--steps", "400", "--key", "10:left", "--key", "10:left", "--key", "120:up", "--key", "300:f1"],
    # a landing ends the run
    "landing": ["--model", "realistic", "--launch", "0,0,6,180", "--steps", "3000", "--until-landed"],
    # the task pilot flies a .cup's task to its finish, which ends the run; F1 on the way
    "task": ["--scenario", glidersim.TASK_DAY, "--task", "HOP_CUP", "--pilot", "task", "--key", "500:f1",
             "--steps", "30000", "--every", "100", "--until-goal"],
    # the scenario's own task followed while its simple pilot flies a line
    "scenario-task": ["--scenario", glidersim.TASK_DAY, "--pilot", "heading:10", "--steps", "2500", "--every", "25"],
}


@pytest.mark.parametrize("name", sorted(FLIGHTS))
def test_python_flights_match_glider_flight_bit_for_bit(name, glider_flight, classic_flat, hop_cup, tmp_path):
    args = [hop_cup if a == "HOP_CUP" else a for a in FLIGHTS[name]]
    if name in ("keys", "landing"):
        args = ["--scenario", classic_flat] + args
    status, expected, stderr = run_glider_flight(glider_flight, args, str(tmp_path))
    assert status == 0, stderr
    rows = glidersim.fly(args)
    assert rows.shape == expected.shape
    assert np.array_equal(rows, expected)

    # Stepped by hand in uneven chunks, the same rows, and the same files byte for byte.
    flight = glidersim.Flight(args, record=True)
    planned = int(args[args.index("--steps") + 1])
    ends_early = "--until-landed" in args or "--until-goal" in args
    while flight.steps_run < planned and not (ends_early and (flight.landed or (flight.task or {}).get("finished"))):
        flight.step(min(37, planned - flight.steps_run))
    if not ends_early:
        assert np.array_equal(flight.rows, expected)
    if flight.task is not None:  # the task's result as glider-flight's summary ends
        assert flight.task["finished"] == ("--until-goal" in args)
        if "--until-goal" in args:
            flight = glidersim.Flight(args)
            flight.run()
        assert stderr.strip().endswith(flight.task_result())
    igc = str(tmp_path / "mine.igc")
    subprocess.run([glider_flight, *args, "--csv", str(tmp_path / "theirs.csv"), "--igc", str(tmp_path / "theirs.igc")],
                   cwd=tmp_path, check=True, capture_output=True)
    glidersim.fly(args + ["--csv", str(tmp_path / "mine.csv"), "--igc", igc])
    assert (tmp_path / "mine.csv").read_bytes() == (tmp_path / "theirs.csv").read_bytes()
    assert (tmp_path / "mine.igc").read_bytes() == (tmp_path / "theirs.igc").read_bytes()


BAD = [
    ["--steps", "ten"],
    ["--model", "paper"],
    ["--bogus"],
    ["--scenario", "no-such-scenario.toml"],
    ["--terrain", "no-such-terrain.jpg"],
    ["--thermal", "0,0,99,50"],
    ["--key", "9000:left"],
]


@pytest.mark.parametrize("args", BAD, ids=lambda a: a[0])
def test_refused_options_raise_value_error_with_glider_flights_line(args, glider_flight, tmp_path):
    status, _, stderr = run_glider_flight(glider_flight, args, str(tmp_path))
    assert status == 2
    with pytest.raises(ValueError) as raised:
        glidersim.Flight(args)
    assert stderr.strip().splitlines()[-1] == "glider-flight: " + str(raised.value)
    with pytest.raises(ValueError):
        glidersim.fly(args)


def test_a_flight_computers_link_and_a_goal_without_a_task_raise_value_error_naming_them(classic_flat):
    for extra, line in ((["--nmea", "udp:127.0.0.1:9"], "^--nmea: the glidersim module sends no NMEA"),
                        (["--until-goal"], "^--until-goal: no task to reach")):
        for call in (glidersim.Flight, glidersim.fly):
            with pytest.raises(ValueError, match=line):
                call(["--scenario", classic_flat, "--steps", "10", *extra])


def test_bad_calls_raise_instead_of_crashing(classic_flat):
    flight = glidersim.Flight(["--scenario", classic_flat])
    for call in (lambda: flight.step(-1), lambda: flight.step(1, shift=(2.0, 0.0)),
                 lambda: flight.step(1, key="jump"), lambda: flight.write_csv("x.csv"),
                 lambda: glidersim.Batch(0, []),
                 lambda: glidersim.Batch(2, ["--scenario", classic_flat]).step(1, np.zeros((3, 2)))):
        with pytest.raises(ValueError):
            call()
    with pytest.raises(TypeError):
        glidersim.Flight("--steps 10")
    with pytest.raises(IndexError):
        glidersim.Batch(1, ["--scenario", classic_flat]).reset(5)


def test_state_arrays_follow_the_flight_and_outlive_a_reset():
    flight = glidersim.Flight(["--scenario", glidersim.THERMAL_DAY])
    pilot, wing = flight.pilot, flight.wing
    start = pilot.copy()
    flight.step(50, shift=(0.5, -0.25))
    assert not np.array_equal(pilot, start)  # a view: it moved with the flight
    assert np.array_equal(pilot, flight.particles[-1])
    assert np.array_equal(wing, flight.particles[: len(wing)])
    assert flight.shift == pytest.approx((0.5, -0.25), abs=1e-12)
    assert flight.air.shape == (len(flight.triangles), 3)
    assert flight.panel["airspeed"] == flight.observation[0]
    assert not pilot.flags.writeable
    moved = pilot.copy()
    flight.reset()
    assert np.array_equal(pilot, moved)  # the old view still reads the old flight
    assert np.array_equal(flight.pilot, start)
    assert flight.steps_run == 0


def test_worlds_in_one_process_are_independent():
    days = [["--scenario", THERMAL, "--thermals-random", f"12,{seed}", "--pilot", pilot, "--steps", "600"]
            for seed, pilot in ((1, "circle:0,0,35"), (2, "circle:0,0,-25"), (3, "heading:0"))]
    alone = [glidersim.fly(args)[-1] for args in days]
    batch = glidersim.Batch(days, threads=3)
    for _ in range(6):
        batch.step(100)
    for i, row in enumerate(alone):
        assert np.array_equal(batch.pilots[i], row[2:5])
    assert not np.array_equal(alone[0], alone[1])

    # Two flights stepped at once from two Python threads fly as they do alone.
    flights = [glidersim.Flight(args) for args in days[:2]]
    threads = [threading.Thread(target=f.step, args=(600,)) for f in flights]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    for f, row in zip(flights, alone):
        assert np.array_equal(f.pilot, row[2:5])


def test_stepping_lets_other_python_threads_run():
    flight = glidersim.Flight(["--scenario", THERMAL])
    inside = threading.Event()
    counted = {}
    counter = [0]

    def fly():
        inside.set()
        flight.step(3000)
        counted["during"] = counter[0]

    stepper = threading.Thread(target=fly)
    stepper.start()
    inside.wait()
    while stepper.is_alive():
        counter[0] += 1
    stepper.join()
    # Holding the GIL, the step would have kept this thread from counting at all.
    assert counted["during"] > 1000


def _resident_megabytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE") / 1e6


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""),
                    reason="the address sanitizer holds freed memory back on purpose")
def test_a_thousand_worlds_made_and_dropped_leave_memory_as_it_was():
    def churn(count):
        for _ in range(count):
            flight = glidersim.Flight(["--scenario", glidersim.THERMAL_DAY])
            view = flight.pilot
            flight.step(2)
            flight.reset()
            del flight, view

    churn(50)  # the allocator's own pools settle first
    before = _resident_megabytes()
    churn(500)  # a thousand worlds: one built and one reset each time
    # One world is about 100 kB: a leak of every world would be 100 MB.
    assert _resident_megabytes() - before < 10


def test_a_batch_flies_each_world_as_a_flight_whatever_its_threads_and_resets_one_alone():
    days = [["--scenario", glidersim.THERMAL_DAY, "--thermals-random", f"12,{seed}"] for seed in (4, 5, 6, 7)]
    shifts = np.array([[0.4, 0.0], [-0.4, 0.1], [0.0, -0.2], [0.2, 0.3]])
    singles = []
    for args, shift in zip(days, shifts):
        flight = glidersim.Flight(args)
        flight.step(150, shift=tuple(shift))
        singles.append(np.array(flight.pilot))
    for threads in (1, 3):
        batch = glidersim.Batch(days, threads=threads)
        batch.step(150, shifts)
        assert np.array_equal(batch.pilots, np.array(singles))
    batch.reset(2)
    assert list(batch.steps_run) == [150, 150, 0, 150]
    batch.reset(2, days[0])
    batch.step(150, shifts[[1, 1, 0, 1]])
    assert np.array_equal(batch.pilots[2], singles[0])
    assert batch.args(2) == days[0]


def test_outputs_that_cannot_be_written_raise_and_leave_nothing(tmp_path):
    flight = glidersim.Flight(["--scenario", glidersim.THERMAL_DAY], record=True)
    flight.step(120)
    missing = tmp_path / "missing" / "flight.csv"
    with pytest.raises(ValueError, match="missing"):
        flight.write_csv(str(missing))
    assert not missing.parent.exists()
    kept = tmp_path / "kept.igc"
    kept.write_text("before")
    with pytest.raises(ValueError):
        flight.write_igc()  # no --igc named
    flight.write_igc(str(kept))
    assert kept.read_bytes().startswith(b"A") and kept.read_bytes().count(b"\r\nB") == 2  # fixes at 0 s and 1 s
    with pytest.raises(ValueError, match="--steps"):
        glidersim.Flight(["--help"])  # the usage text
