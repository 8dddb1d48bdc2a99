// A workbook package as openpyxl and Python's zipfile read it back
// (read_package.py), for the package writer's tests.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvex::xlsx::testing {

struct ReadCell {
    std::string type;    // openpyxl's data type: "n" number, "s" text, "d" date, "e" error
    bool bold = false;
    std::string format;  // number format
    std::string value;   // numbers as float.hex(), dates in ISO form, texts as the hex of their UTF-8
};

struct ReadPackage {
    bool ok = false;
    std::string failure;                 // what Python said when !ok
    bool zip64 = false;                  // the archive ends with ZIP64 records
    std::vector<std::string> sheets;     // in order
    std::string active;
    std::string created;                 // "2023-11-14T22:13:20"
    std::map<std::string, std::map<std::string, ReadCell>> cells;        // sheet -> A1 -> cell
    std::map<std::string, std::map<std::string, std::string>> raw;       // sheet -> A1 -> text of <v>
    std::map<std::string, std::map<std::string, double>> widths;         // sheet -> letter -> width
    std::map<std::string, std::set<int>> bold_rows;                      // sheet -> rows bold as a whole
    std::map<std::string, std::pair<long, long>> rows;                   // part -> row count, last row
};

// With rows_only: only zip64 and the rows of each sheet part (for large files).
ReadPackage read_package(const std::filesystem::path& path, bool rows_only = false);

// The hex of the bytes of `text`, as the reader gives texts.
std::string hex_of(const std::string& text);
// A number as the reader gives it (float.hex()); NaN when it is none.
double from_python_hex(const std::string& text);

}  // namespace corvex::xlsx::testing
