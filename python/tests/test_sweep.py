"""A sweep on a local Dask cluster gives the serial run's table, failures
included, and the command writes the table and its plot."""
import os

from glidersim import sweep
from glidersim.studies import STUDIES

RUNS = [{"presses": 13, "steps": 3600}, {"presses": 0, "steps": -5}, {"presses": -6, "steps": 3600}]


def test_a_cluster_sweep_equals_the_serial_run_and_keeps_the_others_when_one_fails(tmp_path):
    serial = sweep.run_study("polar", RUNS, workers=0)
    assert [bool(row["error"]) for row in serial] == [False, True, False]
    assert serial[1]["error"].startswith("ValueError: --steps")
    assert serial[0]["airspeed_kmh"] > serial[2]["airspeed_kmh"]  # pulled in flies faster

    out = tmp_path / "polar.csv"
    status = sweep.main(["polar", "--workers", "2", "--runs", "3", "--steps", "3600", "--out", str(out)])
    assert status == 0
    runs = STUDIES["polar"].runs(3, 3600)
    assert out.read_text() == sweep.table_text(sweep.run_study("polar", runs, workers=0))
    assert os.path.getsize(tmp_path / "polar.png") > 0
    from distributed import Client, LocalCluster
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        # Two runs a task, the last one short: the same table.
        clustered = sweep.run_on_cluster("polar", RUNS, client, chunk=2)
        assert sweep.table_text(clustered) == sweep.table_text(serial)
        # A task that fails as a whole is flown again run by run, each failure its own row.
        lost = sweep.run_on_cluster("no-such-study", RUNS, client, chunk=2)
        assert [row["run"] for row in lost] == [0, 1, 2]
        assert all(row["error"].startswith("KeyError") for row in lost)
