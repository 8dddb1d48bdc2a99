"""Logs, the corvex tool and a fixed environment for the tests of the package.

The package and the tool come from the build tree: $CORVEX_BUILD_DIR (ctest
sets it), else build/default. The logs are written once per run by
make-python-test-logs (the log writer's reference logs and a few more) and
joined by the sample logs.
"""

import json
import math
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
BUILD = pathlib.Path(os.environ.get("CORVEX_BUILD_DIR", ROOT / "build" / "default"))
if str(BUILD / "python") not in sys.path:
    sys.path.insert(0, str(BUILD / "python"))

# The tool and the package see the same locale, zone and workbook date; an
# empty registry store, so both use the library beside them.
_SCRATCH = tempfile.mkdtemp(prefix="corvex-python-tests-")
os.environ.update(
    LC_ALL="C.UTF-8",
    TZ="UTC",
    SOURCE_DATE_EPOCH="1700000000",
    CORVEX_REGISTRY=os.path.join(_SCRATCH, "registry"),
)


def _write_logs():
    folder = os.path.join(_SCRATCH, "logs")
    subprocess.run([str(BUILD / "bin" / "make-python-test-logs"), folder], check=True)
    for sample in (ROOT / "samples").glob("*.log"):
        shutil.copy(sample, folder)
    return {os.fsdecode(name).removesuffix(".log"): os.path.join(os.fsencode(folder), name)
            for name in sorted(os.listdir(os.fsencode(folder)))}


LOGS = _write_logs()  # name -> path as bytes
REFUSED = {"converted_three_items"}
READABLE = sorted(set(LOGS) - REFUSED)


def pytest_unconfigure(config):
    shutil.rmtree(_SCRATCH, ignore_errors=True)


def run_tool(*args):
    """The corvex tool's exit status, standard output and standard error."""
    done = subprocess.run([str(BUILD / "bin" / "corvex"), *args], capture_output=True)
    return done.returncode, done.stdout, done.stderr.decode("utf-8", "replace")


def number(value):
    """A number of dump --json: NaN and the infinities come as strings; null is NaN."""
    if value is None:
        return math.nan
    return {"NaN": math.nan, "Inf": math.inf, "-Inf": -math.inf}.get(value, value) if isinstance(value, str) \
        else float(value)


def dump_json(path):
    """dump --json of a log: (exit status, header, records)."""
    status, out, _ = run_tool("dump", "--json", path)
    lines = [json.loads(line) for line in out.splitlines()]
    return status, (lines[0] if lines else None), lines[1:]
