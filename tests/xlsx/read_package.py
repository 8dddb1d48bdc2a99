"""Describes a workbook package as openpyxl and zipfile read it, one fact per line.

    sheet <TAB> name                          (in workbook order)
    active <TAB> name
    created <TAB> yyyy-mm-ddThh:mm:ss         (the creation time, UTC)
    cell <TAB> sheet <TAB> A1 <TAB> type <TAB> bold <TAB> number format <TAB> value
    raw <TAB> sheet <TAB> A1 <TAB> text of <v>  (numbers as written in the XML)
    width <TAB> sheet <TAB> column letter <TAB> width   (custom widths)
    rowbold <TAB> sheet <TAB> row
    zip64 <TAB> 0|1                           (whether the archive has ZIP64 end records)

With --rows, only zip64 and, per sheet part, rows <TAB> part <TAB> count <TAB> last row
(for workbooks too large for openpyxl to read in a test).

Values: numbers as float.hex(), dates as ISO text, texts as the hex of their
UTF-8 bytes after the workbook format's _xHHHH_ escapes are undone (openpyxl
leaves them). zipfile checks every part's CRC first.
"""
import datetime
import re
import sys
import zipfile

import openpyxl

ESCAPE = re.compile("_x([0-9A-Fa-f]{4})_")


def value_text(value):
    if isinstance(value, bool):
        raise ValueError("booleans are not written")
    if isinstance(value, (int, float)):
        return float(value).hex()
    if isinstance(value, datetime.datetime):
        return value.isoformat()
    return ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), str(value)).encode("utf-8").hex()


def has_zip64_end(path):
    with open(path, "rb") as stream:
        stream.seek(-22 - 20, 2)  # the ZIP64 locator comes just before the end record
        return stream.read(4) == b"PK\x06\x07"


def count_rows(archive, out):
    for name in sorted(n for n in archive.namelist() if n.startswith("xl/worksheets/")):
        rows = [int(r) for r in re.findall(r'<row r="([0-9]+)"', archive.read(name).decode("utf-8"))]
        out.write(f"rows\t{name}\t{len(rows)}\t{rows[-1] if rows else 0}\n")


def main(path, rows_only):
    out = sys.stdout
    with zipfile.ZipFile(path) as archive:
        bad = archive.testzip()
        if bad is not None:
            raise SystemExit(f"bad CRC in {bad}")
        out.write(f"zip64\t{int(has_zip64_end(path))}\n")
        if rows_only:
            count_rows(archive, out)
            return
        workbook = openpyxl.load_workbook(path)
        raws = {}
        for index, sheet in enumerate(workbook.worksheets):
            xml = archive.read(f"xl/worksheets/sheet{index + 1}.xml").decode("utf-8")
            raws[sheet.title] = re.findall(r'<c r="([A-Z]+[0-9]+)"[^>]*><v>([^<]*)</v>', xml)
    for sheet in workbook.worksheets:
        out.write(f"sheet\t{sheet.title}\n")
    out.write(f"active\t{workbook.active.title}\n")
    out.write(f"created\t{workbook.properties.created.isoformat()}\n")
    for sheet in workbook.worksheets:
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                bold = "bold" if cell.font is not None and cell.font.b else "plain"
                out.write(f"cell\t{sheet.title}\t{cell.coordinate}\t{cell.data_type}\t{bold}\t"
                          f"{cell.number_format}\t{value_text(cell.value)}\n")
        for address, text in raws[sheet.title]:
            out.write(f"raw\t{sheet.title}\t{address}\t{text}\n")
        for letter, dimension in sorted(sheet.column_dimensions.items()):
            if dimension.customWidth:
                out.write(f"width\t{sheet.title}\t{letter}\t{dimension.width!r}\n")
        for index, dimension in sorted(sheet.row_dimensions.items()):
            if dimension.s and dimension.font is not None and dimension.font.b:
                out.write(f"rowbold\t{sheet.title}\t{index}\n")


if __name__ == "__main__":
    main(sys.argv[-1], "--rows" in sys.argv[1:-1])
