"""Counts the numbers of a workbook's last sheet that do not read back as the doubles written.

    count_inexact.py WORKBOOK EXPECTED

EXPECTED holds the doubles written, little-endian, row after row, one per
numeric cell of columns A (the date) to M, from row 2 on. A number counts as
inexact when the text in the sheet does not parse to the same bits; a cell
that is missing counts too. Prints: inexact <TAB> compared.
"""
import array
import re
import struct
import sys
import zipfile

COLUMNS = 13


def column_index(letters):
    index = 0
    for letter in letters:
        index = index * 26 + ord(letter) - ord("A") + 1
    return index - 1


def main(workbook, expected_path):
    expected = array.array("d")
    with open(expected_path, "rb") as stream:
        expected.frombytes(stream.read())
    seen = bytearray(len(expected))
    inexact = 0
    with zipfile.ZipFile(workbook) as archive:
        sheets = sorted(n for n in archive.namelist() if n.startswith("xl/worksheets/sheet"))
        xml = archive.read(sheets[-1]).decode("utf-8")
    for match in re.finditer(r'<c r="([A-Z]+)(\d+)"[^>]*><v>([^<]*)</v>', xml):
        column = column_index(match.group(1))
        row = int(match.group(2))
        if row < 2 or column >= COLUMNS:
            continue
        index = (row - 2) * COLUMNS + column
        if index >= len(expected):
            continue
        seen[index] = 1
        if struct.pack("<d", float(match.group(3))) != struct.pack("<d", expected[index]):
            inexact += 1
    inexact += len(expected) - sum(seen)
    print(f"{inexact}\t{len(expected)}")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
