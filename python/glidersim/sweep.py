"""Runs a named study's flights on a Dask cluster and writes one table.

    python3 -m glidersim.sweep polar|thermal-day|policy [--workers N | --scheduler ADDRESS] [--out FILE.csv]
                                     [--runs N] [--steps N] [--plot FILE]

--workers N starts a local cluster of N single-threaded worker processes
(--workers 0 flies every run here, one after another); --scheduler connects
to a running one (its workers must import glidersim). The table has a row
per run, in run order: its parameters, the options it flew, its figures,
and `error` for a run that failed (the others are kept). The table is the
same whichever way the runs were spread.
"""
import argparse
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile
import time

from .studies import STUDIES

_PACKAGE = os.path.dirname(os.path.abspath(__file__)) + os.sep


def run_one(study_name, index, params):
    """Flies one run and measures it; never raises, so that one failure
    costs only its own row."""
    study = STUDIES[study_name]
    row = {"run": index, **params}
    try:
        args, figures = study.fly(params)
        # The package's scenarios by name: the table reads the same on every machine.
        row["options"] = " ".join(os.path.basename(a) if a.startswith(_PACKAGE) else a for a in args)
        row.update(figures)
        row["error"] = ""
    except Exception as error:  # noqa: BLE001 - every failure becomes its row's message
        row["error"] = f"{type(error).__name__}: {error}"
    return row


def run_serial(study_name, runs):
    return [run_one(study_name, i, params) for i, params in enumerate(runs)]


def run_chunk(study_name, first, chunk):
    """Runs first, first + 1, ... of a study, one after another."""
    return [run_one(study_name, first + k, params) for k, params in enumerate(chunk)]


def chunk_size(runs, slots):
    """Runs per task: a flight takes a fraction of a second and a task's
    round trip through the scheduler milliseconds, so a few go together;
    about 32 tasks a slot are left so the slots end within a task of each
    other."""
    return max(1, runs // (32 * max(1, slots)))


def run_on_cluster(study_name, runs, client, chunk=0):
    """The runs' rows, `chunk` runs per task (0: chunk_size's). A task lost
    with its worker is flown again one run per task, so that a run which
    takes its worker down costs only its own row."""
    from distributed import as_completed
    slots = sum(client.nthreads().values())
    size = chunk or chunk_size(len(runs), slots)
    starts = list(range(0, len(runs), size))
    futures = client.map(run_chunk, [study_name] * len(starts), starts, [runs[s:s + size] for s in starts],
                         pure=False)
    start_of = {future.key: first for future, first in zip(futures, starts)}
    rows, lost = {}, []
    for future in as_completed(futures):
        first = start_of[future.key]
        try:
            for row in future.result():
                rows[row["run"]] = row
        except Exception:  # noqa: BLE001 - a worker lost with the task
            lost += range(first, min(first + size, len(runs)))
    if lost:
        singles = client.map(run_one, [study_name] * len(lost), lost, [runs[i] for i in lost], pure=False)
        for i, future in zip(lost, singles):
            try:
                rows[i] = future.result()
            except Exception as error:  # noqa: BLE001 - the run that took its worker down
                rows[i] = {"run": i, **runs[i], "error": f"{type(error).__name__}: {error}"}
    return [rows[i] for i in range(len(runs))]


def run_study(study_name, runs, workers=0, scheduler=None):
    """The study's rows, flown serially, on a local cluster of `workers`
    processes, or on the cluster at `scheduler`."""
    if scheduler is None and workers == 0:
        return run_serial(study_name, runs)
    from distributed import Client, LocalCluster
    if scheduler is not None:
        with Client(scheduler) as client:
            return run_on_cluster(study_name, runs, client)
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True, dashboard_address=None) as cluster, \
            Client(cluster) as client:
        return run_on_cluster(study_name, runs, client)


def _cell(value):
    return repr(value) if isinstance(value, float) else str(value)


def table_text(rows):
    columns = []
    for row in rows:
        columns += [key for key in row if key not in columns and key != "error"]
    columns.append("error")
    out = io.StringIO()
    writer = csv.writer(out, lineterminator="\n")
    writer.writerow(columns)
    for row in rows:
        writer.writerow([_cell(row.get(column, "")) for column in columns])
    return out.getvalue()


def write_whole(path, text):
    """Writes `path` whole or not at all: an existing file stays as it was
    if anything fails."""
    folder = os.path.dirname(os.path.abspath(path))
    handle, temporary = tempfile.mkstemp(prefix=".sweep-", dir=folder)
    try:
        with os.fdopen(handle, "w") as out:
            out.write(text)
        os.replace(temporary, path)
    except BaseException:
        if os.path.exists(temporary):
            os.unlink(temporary)
        raise


def plot(study, rows, path):
    """Draws the study's two columns for the runs that flew; matplotlib if
    it is installed, else gnuplot. Returns the path, or None."""
    x_name, y_name = study.plot
    points = sorted((row[x_name], row[y_name]) for row in rows if not row["error"])
    if not points:
        return None
    try:
        import matplotlib
        matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        figure, axes = plt.subplots(figsize=(7, 4.5))
        axes.plot([p[0] for p in points], [p[1] for p in points], "o-")
        axes.set_xlabel(x_name)
        axes.set_ylabel(y_name)
        if study.name == "polar":
            axes.invert_yaxis()  # sink drawn downwards, as polars are
        axes.set_title(study.description)
        axes.grid(True)
        figure.tight_layout()
        figure.savefig(path)
        plt.close(figure)
        return path
    except ImportError:
        pass
    if shutil.which("gnuplot") is None:
        return None
    data = "\n".join(f"{x!r} {y!r}" for x, y in points)
    script = (f"set terminal pngcairo size 700,450\nset output '{path}'\nset xlabel '{x_name}'\n"
              f"set ylabel '{y_name}'\nset grid\nplot '-' with linespoints title '{study.description}'\n{data}\ne\n")
    subprocess.run(["gnuplot"], input=script, text=True, check=True)
    return path


def main(argv=None):
    parser = argparse.ArgumentParser(prog="sweep", description="Runs a study's flights on a Dask cluster.")
    parser.add_argument("study", choices=sorted(STUDIES))
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--workers", type=int, default=None,
                       help="local cluster of N worker processes (default: one per core; 0: fly here, serially)")
    where.add_argument("--scheduler", help="the address of a running Dask scheduler, e.g. tcp://HOST:8786")
    parser.add_argument("--out", help="the table (default STUDY.csv)")
    parser.add_argument("--plot", help="the plot (default: the table's name with .png; 'none' for none)")
    parser.add_argument("--runs", type=int, default=0, help="how many runs (default: the study's own)")
    parser.add_argument("--steps", type=int, default=0, help="steps per flight (default: the study's own)")
    options = parser.parse_args(argv)
    if options.workers is not None and options.workers < 0:
        parser.error("--workers: expected 0 or more")
    if options.runs < 0 or options.steps < 0:
        parser.error("--runs and --steps: expected 0 or more")
    study = STUDIES[options.study]
    out = options.out or f"{study.name}.csv"
    workers = options.workers if options.workers is not None else (os.cpu_count() or 1)

    runs = study.runs(options.runs, options.steps)
    began = time.monotonic()
    rows = run_study(study.name, runs, workers=workers, scheduler=options.scheduler)
    seconds = time.monotonic() - began
    write_whole(out, table_text(rows))
    failed = [row for row in rows if row["error"]]
    for row in failed:
        print(f"sweep: run {row['run']}: {row['error']}", file=sys.stderr)
    picture = None
    if options.plot != "none":
        picture = plot(study, rows, options.plot or os.path.splitext(out)[0] + ".png")
    where_ = options.scheduler or (f"{workers} local workers" if workers else "this process")
    print(f"sweep: {study.name}: {len(rows)} runs, {len(failed)} failed, {seconds:.1f} s on {where_}; table {out}"
          + (f", plot {picture}" if picture else ""), file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
