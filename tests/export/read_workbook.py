"""Describes a workbook as openpyxl reads it, one fact per line, for the export tests.

    sheet <TAB> name                      (in workbook order)
    active <TAB> name
    cell <TAB> sheet <TAB> A1 <TAB> type <TAB> bold <TAB> number format <TAB> value
    width <TAB> sheet <TAB> column letter <TAB> width   (columns given a width)
    rowbold <TAB> sheet <TAB> row                       (rows formatted bold as a whole)
    badnumber <TAB> part <TAB> text                     (a number in the XML that is not one)

The file is opened as a stream: openpyxl refuses names that do not end in .xlsx.
"""
import datetime
import re
import sys
import zipfile

import openpyxl


def text_of(cell):
    value = cell.value
    if isinstance(value, datetime.datetime):
        value = value + datetime.timedelta(microseconds=500000)
        return value.strftime("%Y-%m-%d %H:%M:%S")
    if isinstance(value, float) and value.is_integer():
        return repr(value)
    return str(value).replace("\t", "\\t").replace("\n", "\\n").replace("\r", "\\r")


def main(path):
    out = sys.stdout
    with open(path, "rb") as stream:
        workbook = openpyxl.load_workbook(stream)
    for sheet in workbook.worksheets:
        out.write(f"sheet\t{sheet.title}\n")
    out.write(f"active\t{workbook.active.title}\n")
    for sheet in workbook.worksheets:
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                bold = "bold" if cell.font is not None and cell.font.b else "plain"
                out.write(f"cell\t{sheet.title}\t{cell.coordinate}\t{cell.data_type}\t{bold}\t"
                          f"{cell.number_format}\t{text_of(cell)}\n")
        for letter, dimension in sorted(sheet.column_dimensions.items()):
            if dimension.customWidth and dimension.width:
                out.write(f"width\t{sheet.title}\t{letter}\t{dimension.width}\n")
        for index, dimension in sorted(sheet.row_dimensions.items()):
            if dimension.s and dimension.font is not None and dimension.font.b:
                out.write(f"rowbold\t{sheet.title}\t{index}\n")
    with zipfile.ZipFile(path) as archive:
        for name in archive.namelist():
            if not name.startswith("xl/worksheets/"):
                continue
            xml = archive.read(name).decode("utf-8")
            for number in re.findall(r"<v>([^<]*)</v>", xml):
                try:
                    float(number)
                except ValueError:
                    out.write(f"badnumber\t{name}\t{number}\n")


if __name__ == "__main__":
    main(sys.argv[1])
