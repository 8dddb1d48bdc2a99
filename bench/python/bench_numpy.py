#!/usr/bin/python3
"""Values per second from a log into NumPy and pandas through corvex, against
the way it replaces: the CSV export read back by pandas.read_csv.

    /usr/bin/python3 bench/python/bench_numpy.py [--build build/default] [--records 1000000] [--runs 3]

Writes a PC log of twelve channels (corvex-bench-log) into a temporary
folder, then times, best of --runs:
  values()        the values as a float64 array, records x 12
  read()          times, values and error words in one pass
  to_pandas()     a DataFrame with a DatetimeIndex
  export csv      log.export("x.csv"): the engine of the corvex tool
  read_csv        pandas.read_csv of that file, a DatetimeIndex parsed
and the CSV round trip as the sum of the last two.
"""

import argparse
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]


def best_of(runs, call):
    best = float("inf")
    for _ in range(runs):
        began = time.perf_counter()
        call()
        best = min(best, time.perf_counter() - began)
    return best


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=str(ROOT / "build" / "default"), help="the build folder")
    parser.add_argument("--records", type=int, default=1_000_000)
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    build = pathlib.Path(args.build)
    sys.path.insert(0, str(build / "python"))
    os.environ.setdefault("LC_ALL", "C.UTF-8")
    import corvex
    import pandas as pd

    scratch = tempfile.mkdtemp(prefix="corvex-python-bench-")
    try:
        log_path = os.path.join(scratch, "bench.log")
        subprocess.run([str(build / "bin" / "corvex-bench-log"), "pc", str(args.records), log_path], check=True)
        csv_path = os.path.join(scratch, "bench.csv")
        with corvex.open(log_path) as log:
            values = len(log) * len(log.items)
            print(f"{len(log):,} records x {len(log.items)} channels = {values:,} values, best of {args.runs}")
            cases = [
                ("values()", lambda: log.values()),
                ("read()", lambda: log.read()),
                ("to_pandas()", lambda: log.to_pandas()),
                ("export csv", lambda: log.export(csv_path, log_info=False, errors=False)),
                ("read_csv", lambda: pd.read_csv(csv_path, index_col=0, parse_dates=[0])),
            ]
            seconds = {}
            for name, call in cases:
                seconds[name] = best_of(args.runs, call)
            seconds["CSV round trip"] = seconds["export csv"] + seconds["read_csv"]
            for name, s in seconds.items():
                print(f"{name:<16} {s:8.3f} s  {values / s / 1e6:8.2f} million values/s")
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    main()
