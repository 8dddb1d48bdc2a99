#include "tests/export/workbook_reader.h"

#include <cstdio>
#include <sstream>

namespace corvex::exporting::testing {

namespace {

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

}  // namespace

const WorkbookCell* ReadWorkbook::cell(const std::string& sheet, const std::string& address) const {
    const auto s = cells.find(sheet);
    if (s == cells.end()) return nullptr;
    const auto c = s->second.find(address);
    return c == s->second.end() ? nullptr : &c->second;
}

std::string ReadWorkbook::value(const std::string& sheet, const std::string& address) const {
    const WorkbookCell* c = cell(sheet, address);
    return c ? c->value : std::string("<empty>");
}

ReadWorkbook read_workbook(const std::filesystem::path& path) {
    ReadWorkbook book;
    const std::string script = std::string(CORVEX_SOURCE_DIR) + "/tests/export/read_workbook.py";
    const std::string command =
        quoted(CORVEX_SYSTEM_PYTHON) + " " + quoted(script) + " " + quoted(path.string()) + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        book.failure = "cannot run " + command;
        return book;
    }
    std::string output;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = ::pclose(pipe);
    if (status != 0) {
        book.failure = output;
        return book;
    }
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = split_tabs(line);
        if (f[0] == "sheet" && f.size() == 2) {
            book.sheets.push_back(f[1]);
        } else if (f[0] == "active" && f.size() == 2) {
            book.active = f[1];
        } else if (f[0] == "cell" && f.size() == 7) {
            book.cells[f[1]][f[2]] = WorkbookCell{f[3], f[4] == "bold", f[5], f[6]};
        } else if (f[0] == "width" && f.size() == 4) {
            book.widths[f[1]][f[2]] = std::stod(f[3]);
        } else if (f[0] == "rowbold" && f.size() == 3) {
            book.bold_rows[f[1]].insert(std::stoi(f[2]));
        } else if (f[0] == "badnumber") {
            book.bad_numbers.push_back(line);
        }
    }
    book.ok = true;
    return book;
}

}  // namespace corvex::exporting::testing
