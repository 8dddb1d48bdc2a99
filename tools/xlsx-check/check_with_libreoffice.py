#!/usr/bin/env python3
"""Reads the package writer's sample workbook back with LibreOffice.

    check_with_libreoffice.py [XLSX_SAMPLE]

Runs XLSX_SAMPLE (default: build/default/bin/xlsx-sample) to write the sample
workbook, has LibreOffice (headless, a throwaway profile) save every sheet as
CSV, and compares the CSV with what the sample holds as LibreOffice shows it
(numbers to its 15 significant digits, dates in the en-US form). Exit status:
0 when all matches, 1 on a difference, 77 when LibreOffice is not installed.
The test suite runs it (xlsx_libreoffice_sample; the setup installs Debian's
libreoffice-calc-nogui).
"""
import difflib
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

EXPECTED = {
    "Texts": [
        "plain",
        "  blanks around  ",
        '"a<b>&""c""\'"',
        "tab\there",
        '"line\nbreak"',
        "\x01 control",
        "_x0041_ stays",
        "\u00e9t\u00e9 \u20ac \U0001F600",
        "bad \ufffd byte",
    ],
    "Data": [
        "Date/Time,Value,Error #",
        "03/01/2024 01:00:00,0.1,1",
        "03/01/2024 02:00:00,0.333333333333333,2",
        "03/01/2024 03:00:00,1E+021,0",
        "03/01/2024 04:00:00,0,1",
        "03/01/2024 05:00:00,9.00719925474099E+015,2",
        "03/01/2024 06:00:00,1.79999995231628,0",
        "03/01/2024 07:00:00,123456.789,1",
        "03/01/2024 08:00:00,-273.15,2",
        "03/01/2024 09:00:00,5E-324,0",
        "03/01/2024 10:00:00,1.7976931348623157E+308,1",
        "03/01/2024 11:00:00,#NUM!,2",
        "03/01/2024 12:00:00,#NUM!,0",
    ],
}

# Comma, double quote, UTF-8, from line 1, en-US, all sheets to files of their own.
CSV_FILTER = "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,false,true,false,false,false,-1"


def main():
    root = pathlib.Path(__file__).resolve().parents[2]
    sample = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else root / "build/default/bin/xlsx-sample"
    office = shutil.which("soffice") or shutil.which("libreoffice")
    if office is None:
        print("LibreOffice is not installed: check skipped")
        return 77
    with tempfile.TemporaryDirectory() as scratch:
        scratch = pathlib.Path(scratch)
        workbook = scratch / "sample.xlsx"
        subprocess.run([str(sample), str(workbook)], check=True)
        subprocess.run([office, f"-env:UserInstallation={(scratch / 'profile').as_uri()}", "--headless",
                        "--convert-to", CSV_FILTER, "--outdir", str(scratch / "csv"), str(workbook)],
                       check=True, stdout=subprocess.DEVNULL, env={**os.environ, "LC_ALL": "C.UTF-8"})
        failed = False
        for sheet, lines in EXPECTED.items():
            path = scratch / "csv" / f"sample-{sheet}.csv"
            got = path.read_text(encoding="utf-8").splitlines(keepends=True) if path.exists() else []
            want = [line + "\n" for line in "\n".join(lines).split("\n")]
            if got != want:
                failed = True
                sys.stdout.writelines(difflib.unified_diff(want, got, f"expected {sheet}", f"LibreOffice {sheet}"))
        print("LibreOffice reads the sample workbook as written" if not failed else "LibreOffice differs")
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
