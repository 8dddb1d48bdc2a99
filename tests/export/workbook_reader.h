// A workbook as openpyxl reads it back (read_workbook.py), for the tests.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace corvex::exporting::testing {

struct WorkbookCell {
    std::string type;     // openpyxl's data type: "n" number, "s" text, "d" date
    bool bold = false;
    std::string format;   // number format
    std::string value;    // dates as "yyyy-mm-dd hh:mm:ss"
};

struct ReadWorkbook {
    bool ok = false;
    std::string failure;                     // openpyxl's complaint when !ok
    std::vector<std::string> sheets;         // in order
    std::string active;
    std::map<std::string, std::map<std::string, WorkbookCell>> cells;   // sheet -> A1 -> cell
    std::map<std::string, std::map<std::string, double>> widths;        // sheet -> column letter -> width
    std::map<std::string, std::set<int>> bold_rows;                     // sheet -> rows bold as a whole
    std::vector<std::string> bad_numbers;    // numbers in the XML that do not parse

    const WorkbookCell* cell(const std::string& sheet, const std::string& address) const;
    std::string value(const std::string& sheet, const std::string& address) const;
};

ReadWorkbook read_workbook(const std::filesystem::path& path);

}  // namespace corvex::exporting::testing
