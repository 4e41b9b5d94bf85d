"""glidersim: the hang-glider simulation as a Python module.

fly(args) flies what `glider-flight ARGS` flies and returns its CSV's rows;
Flight(args) is one flight stepped by hand; Batch(worlds, args) steps many
independent worlds across threads; GliderEnv and GliderVecEnv are the
Gymnasium-shaped environments; `python3 -m glidersim.sweep` runs studies on
a Dask cluster.
"""
import os

from ._core import OBSERVATION_NAMES, TASK_FIGURE_NAMES, Batch, Flight, FlightDiverged, csv_columns, fly
from .env import TASK_OBSERVATION_NAMES, GliderEnv, GliderVecEnv

# The scenarios shipped with the package.
SCENARIOS = os.path.dirname(os.path.abspath(__file__))
THERMAL_DAY = os.path.join(SCENARIOS, "thermal_day.toml")
STILL_AIR = os.path.join(SCENARIOS, "still_air.toml")
TASK_DAY = os.path.join(SCENARIOS, "task_day.toml")

__all__ = [
    "Batch", "Flight", "FlightDiverged", "GliderEnv", "GliderVecEnv", "OBSERVATION_NAMES", "STILL_AIR",
    "TASK_DAY", "TASK_FIGURE_NAMES", "TASK_OBSERVATION_NAMES", "THERMAL_DAY", "csv_columns", "fly",
]
