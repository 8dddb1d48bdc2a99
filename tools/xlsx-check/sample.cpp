// Writes the sample workbook that check_with_libreoffice.py reads back:
//     xlsx-sample OUT.xlsx
// Sheet "Texts": texts that need escapes; sheet "Data" (the active one): a
// bold header row, dates, numbers that are hard to write exactly, and values
// a cell cannot hold.
#include <cfloat>
#include <cmath>
#include <cstdio>

#include "export/xlsx/package.h"

int main(int argc, char** argv) {
    using namespace corvex::xlsx;
    if (argc != 2) {
        std::fprintf(stderr, "usage: xlsx-sample OUT.xlsx\n");
        return 2;
    }
    Options options;
    options.created = 1'700'000'000;
    auto package = Package::create(argv[1], options);
    if (!package) {
        std::fprintf(stderr, "xlsx-sample: %s\n", package.error().message.c_str());
        return 1;
    }
    const char* const texts[] = {
        "plain", "  blanks around  ", "a<b>&\"c\"'", "tab\there", "line\nbreak", "\x01 control",
        "_x0041_ stays", "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80", "bad \xFF byte",
    };
    Sheet& text_sheet = **package->add_sheet("Texts");
    std::uint32_t row = 0;
    for (const char* text : texts) {
        text_sheet.begin_row(row++);
        text_sheet.text(0, text);
        (void)text_sheet.end_row();
    }

    const double numbers[] = {0.1, 1.0 / 3, 1e21, -0.0, 9007199254740992.0, static_cast<double>(1.8f),
                              123456.789, -273.15, 5e-324, DBL_MAX, NAN, -INFINITY};
    Sheet& data = **package->add_sheet("Data");
    data.begin_row(0, Style::bold);
    data.text(0, "Date/Time", Style::bold);
    data.text(1, "Value", Style::bold);
    data.text(2, "Error #", Style::bold);
    (void)data.end_row();
    row = 1;
    for (const double number : numbers) {
        data.begin_row(row);
        data.number(0, 45352 + row / 24.0, Style::date);
        data.number(1, number);
        data.number(2, row % 3);
        (void)data.end_row();
        ++row;
    }
    data.set_column_width(0, 18);
    package->set_active(data);
    auto finished = package->finish();
    if (!finished) {
        std::fprintf(stderr, "xlsx-sample: %s\n", finished.error().message.c_str());
        return 1;
    }
    return 0;
}
