#!/usr/bin/env python3
"""The workbook export as LibreOffice reads it: each sample log is exported as a
workbook by the tool, LibreOffice (headless, a throwaway profile) saves every
sheet as CSV, and the data sheet must hold every record the tool's dump gives:
the time as LibreOffice shows the date cell, each value to the 15 significant
digits LibreOffice shows, each error word.

    libreoffice_readback.py CORVEX SAMPLES_FOLDER

Exit status 0 when all match, 1 on a difference, 77 when LibreOffice is missing.
"""
import csv
import datetime
import json
import math
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

# Comma, double quote, UTF-8, from line 1, en-US, every sheet to a file of its own.
CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,false,false,false,-1"
EPOCH = datetime.datetime(1899, 12, 30)


def shown_date(log_time):
    """A date cell in LibreOffice's en-US form, to the second (half up)."""
    moment = EPOCH + datetime.timedelta(microseconds=round(log_time * 86400 * 1e6))
    moment = (moment + datetime.timedelta(microseconds=500000)).replace(microsecond=0)
    return moment.strftime("%m/%d/%Y %H:%M:%S")


def same_number(shown, value):
    """A value as LibreOffice shows it: 15 significant digits (a tie may round
    either way), so it may differ from the value by one unit of the 15th."""
    try:
        got = float(shown)
    except ValueError:
        return False
    if value == 0:
        return got == 0
    unit = 10.0 ** (math.floor(math.log10(abs(value))) - 14)
    return abs(got - value) <= unit


def main():
    corvex, samples = sys.argv[1], pathlib.Path(sys.argv[2])
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if office is None:
        print("LibreOffice is not installed: check skipped")
        return 77
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        scratch = pathlib.Path(scratch)
        env = {**os.environ, "LC_ALL": "C.UTF-8", "CORVEX_REGISTRY": str(scratch / "no-registry")}
        for log in sorted(samples.glob("*.log")):
            book = scratch / (log.stem + ".xlsx")
            subprocess.run([corvex, "export", str(log), "-o", str(book)], check=True, env=env)
            subprocess.run([office, f"-env:UserInstallation={(scratch / 'profile').as_uri()}", "--headless",
                            "--convert-to", CSV_FILTER, "--outdir", str(scratch), str(book)],
                           check=True, stdout=subprocess.DEVNULL, env=env)
            dump = subprocess.run([corvex, "dump", "--json", str(log)], check=True, env=env, capture_output=True,
                                  text=True).stdout.splitlines()
            header = json.loads(dump[0])
            detailed = header["error_flags"] & 0x1000
            basic = header["error_flags"] & 0x2000
            with open(scratch / f"{log.stem}-Log Data.csv", encoding="utf-8", newline="") as sheet:
                rows = list(csv.reader(sheet))
            if len(rows) != len(dump):
                failures.append(f"{log.name}: {len(rows) - 1} rows for {len(dump) - 1} records")
                continue
            for line, row in zip(dump[1:], rows[1:]):
                record = json.loads(line)
                # Each expected cell: a number from the log, or the exact text.
                want = [shown_date(record["time"])]
                for value, error in zip(record["values"], record["errors"]):
                    want.append(float(value) if not isinstance(value, str) else value)
                    if detailed:
                        want.append(str(error))
                if basic:
                    want.append("0" if detailed else str(record["errors"][-1]))
                ok = len(row) == len(want) and all(
                    same_number(got, w) if isinstance(w, float) else got == w for got, w in zip(row, want))
                if not ok:
                    failures.append(f"{log.name} record {record['record']}: LibreOffice shows {row}, expected {want}")
                    break
    for failure in failures:
        print(failure)
    print("LibreOffice reads every sample's workbook as exported" if not failures else "LibreOffice differs")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
