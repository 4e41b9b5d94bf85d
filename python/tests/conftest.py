"""What the module's tests share: glider-flight itself, and flat-ground
scenarios for flights that do not depend on the folder they run in."""
import os
import subprocess

import numpy as np
import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
SCENARIOS = os.path.join(ROOT, "scenarios")


@pytest.fixture(scope="session")
def glider_flight():
    path = os.environ.get("GLIDER_FLIGHT")
    if not path:
        pytest.skip("GLIDER_FLIGHT names no glider-flight to compare with")
    return path


def run_glider_flight(program, args, folder):
    """glider-flight's status, CSV rows (from a file) and stderr."""
    csv = os.path.join(folder, "flight.csv")
    done = subprocess.run([program, *args, "--csv", csv], cwd=folder, capture_output=True, text=True)
    rows = np.loadtxt(csv, delimiter=",", skiprows=1, ndmin=2) if done.returncode == 0 else None
    return done.returncode, rows, done.stderr


@pytest.fixture
def classic_flat(tmp_path):
    """The classic glider over flat ground, ridge-free still air."""
    path = tmp_path / "classic_flat.toml"
    path.write_text('model = "classic"\n[terrain]\nsource = "flat"\nsize = 2000\nspacing = 50\n')
    return str(path)


@pytest.fixture
def hop_cup(tmp_path):
    """A task of one hop over the package's task day: a start line at its
    origin and a finish cylinder 1.3 km north (900 m flown)."""
    path = tmp_path / "hop.cup"
    path.write_bytes(b'name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc\r\n'
                     b'"Line","L",FR,4500.000N,00600.000E,500.0m,1,,,,""\r\n'
                     b'"Goal","G",FR,4500.700N,00600.000E,500.0m,1,,,,""\r\n'
                     b'-----Related Tasks-----\r\n"Hop","Line","Line","Goal","Goal"\r\n')
    return str(path)
