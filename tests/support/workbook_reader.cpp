#include "tests/support/workbook_reader.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace corvex::testing {

namespace {

// Every field, empty ones at the end too.
std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    for (std::size_t start = 0;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

std::string quoted(const std::string& text) { return "'" + text + "'"; }

// Whatever the locale.
double decimal(const std::string& text) {
    double value = NAN;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

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

std::string hex_of(const std::string& text) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const unsigned char c : text) {
        hex += digits[c >> 4];
        hex += digits[c & 15];
    }
    return hex;
}

double from_python_hex(const std::string& text) {
    // "-0x1.999999999999ap-4": from_chars takes the digits without "0x".
    const bool negative = !text.empty() && text[0] == '-';
    const std::string digits = text.substr(negative ? 3 : 2);
    double value = NAN;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::hex);
    if (error != std::errc() || end != digits.data() + digits.size()) return NAN;
    return negative ? -value : value;
}

ReadWorkbook read_workbook(const std::filesystem::path& path, bool rows_only) {
    ReadWorkbook book;
    const std::string command = quoted(CORVEX_SYSTEM_PYTHON) + " " + quoted(CORVEX_READ_WORKBOOK_SCRIPT) +
                                (rows_only ? " --rows " : " ") + quoted(path.string()) + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        book.failure = "cannot run " + command;
        return book;
    }
    std::string output;
    char buffer[4096];
    while (const std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    if (::pclose(pipe) != 0) {
        book.failure = output;
        return book;
    }
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        const std::vector<std::string> f = split_tabs(line);
        if (f[0] == "zip64" && f.size() == 2) book.zip64 = f[1] == "1";
        else if (f[0] == "sheet" && f.size() == 2) book.sheets.push_back(f[1]);
        else if (f[0] == "active" && f.size() == 2) book.active = f[1];
        else if (f[0] == "created" && f.size() == 2) book.created = f[1];
        else if (f[0] == "cell" && f.size() == 8) book.cells[f[1]][f[2]] = {f[3], f[4] == "bold", f[5], f[6], f[7]};
        else if (f[0] == "raw" && f.size() == 4) book.raw[f[1]][f[2]] = f[3];
        else if (f[0] == "width" && f.size() == 4) book.widths[f[1]][f[2]] = decimal(f[3]);
        else if (f[0] == "rowbold" && f.size() == 3) book.bold_rows[f[1]].insert(std::stoi(f[2]));
        else if (f[0] == "rows" && f.size() == 4) book.rows[f[1]] = {std::stol(f[2]), std::stol(f[3])};
    }
    book.ok = true;
    return book;
}

}  // namespace corvex::testing
