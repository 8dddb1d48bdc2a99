"""Describes a workbook as openpyxl and zipfile read it, one fact per line.

    zip64 <TAB> 0|1                           (whether the archive has ZIP64 end records)
    sheet <TAB> name                          (in workbook order)
    active <TAB> name
    created <TAB> yyyy-mm-ddThh:mm:ss         (the creation time, UTC)
    cell <TAB> sheet <TAB> A1 <TAB> type <TAB> bold|plain <TAB> number format <TAB> shown <TAB> exact
    raw <TAB> sheet <TAB> A1 <TAB> text of <v>  (as written in the XML)
    width <TAB> sheet <TAB> column letter <TAB> width   (custom widths)
    rowbold <TAB> sheet <TAB> row                       (rows formatted bold as a whole)

With --rows, only zip64 and, per sheet part, rows <TAB> part <TAB> count <TAB> last row
(for workbooks too large for openpyxl to read in a test).

A cell's value twice: shown as a person reads it (dates to the nearest second as
yyyy-mm-dd hh:mm:ss, numbers in Python's shortest form, tab and line breaks
escaped), and exact (numbers as float.hex(), dates in ISO form, texts as the hex
of their UTF-8). Texts have the workbook format's _xHHHH_ escapes undone
(openpyxl leaves them). zipfile checks every part's CRC first; a bad CRC or a
number cell whose <v> is no number fails the run. The file is opened as a
stream: openpyxl refuses names that do not end in .xlsx.
"""
import datetime
import re
import sys
import zipfile

import openpyxl

ESCAPE = re.compile("_x([0-9A-Fa-f]{4})_")
CELL = re.compile(r'<c r="([A-Z]+[0-9]+)"([^>]*?)(?:/>|>(.*?)</c>)', re.S)


def shown_and_exact(value):
    if isinstance(value, bool):
        raise ValueError("booleans are not written")
    if isinstance(value, (int, float)):
        return str(value), float(value).hex()
    if isinstance(value, datetime.datetime):
        rounded = value + datetime.timedelta(microseconds=500000)
        return rounded.strftime("%Y-%m-%d %H:%M:%S"), value.isoformat()
    text = ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), str(value))
    return text.replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r"), text.encode("utf-8").hex()


def has_zip64_end(path):
    with open(path, "rb") as stream:
        stream.seek(-22 - 20, 2)  # the ZIP64 locator comes just before the end record
        return stream.read(4) == b"PK\x06\x07"


def count_rows(archive, out):
    for name in sorted(n for n in archive.namelist() if n.startswith("xl/worksheets/")):
        rows = [int(r) for r in re.findall(r'<row r="([0-9]+)"', archive.read(name).decode("utf-8"))]
        out.write(f"rows\t{name}\t{len(rows)}\t{rows[-1] if rows else 0}\n")


def raw_values(archive, index):
    """The <v> texts of the index-th sheet's cells; a number cell's must be a number."""
    name = f"xl/worksheets/sheet{index + 1}.xml"
    raws = []
    for address, attributes, content in CELL.findall(archive.read(name).decode("utf-8")):
        value = re.search(r"<v>([^<]*)</v>", content)
        if value is None:
            continue
        raws.append((address, value[1]))
        if re.search(r'\bt="', attributes) is None:
            try:
                float(value[1])
            except ValueError:
                raise SystemExit(f"not a number in {name} {address}: {value[1]}")
    return raws


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
        with open(path, "rb") as stream:
            workbook = openpyxl.load_workbook(stream)
        raws = {sheet.title: raw_values(archive, i) for i, sheet in enumerate(workbook.worksheets)}
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
                shown, exact = shown_and_exact(cell.value)
                out.write(f"cell\t{sheet.title}\t{cell.coordinate}\t{cell.data_type}\t{bold}\t"
                          f"{cell.number_format}\t{shown}\t{exact}\n")
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
