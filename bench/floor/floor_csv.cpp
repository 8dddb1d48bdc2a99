// floor-csv LOG OUT: the delimited export of `corvex export LOG -o OUT` with
// its defaults (information block, error columns, ","), byte for byte, the
// plainest way: the readers, std::to_chars, one large buffer, one thread.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench/floor/floor_log.h"
#include "corvex/log_flags.h"
#include "export/log_time.h"

namespace {

using corvex::bench::FloorLog;

// "%.15G" as printf writes it in the C locale.
void number(std::string& out, double v) {
    if (std::isnan(v)) return void(out += "NaN");
    if (std::isinf(v)) return void(out += v > 0 ? "Inf" : "-Inf");
    if (v == 0) return void(out += '0');
    char text[32];
    char* end = std::to_chars(text, text + sizeof text, v, std::chars_format::general, 15).ptr;
    for (char* p = text; p != end; ++p)
        if (*p == 'e') *p = 'E';
    out.append(text, end);
}

void two(std::string& out, int v) {
    out += static_cast<char>('0' + v / 10);
    out += static_cast<char>('0' + v % 10);
}

// The general date in its C form.
void date(std::string& out, double t) {
    const auto m = corvex::exporting::round_log_time(t);
    if (!m) return number(out, t);
    const bool with_date = m->day != 0, with_time = m->second != 0 || !with_date;
    if (with_date) {
        char year[8];
        std::snprintf(year, sizeof year, "%04d", m->year);
        out += year;
        out += '-';
        two(out, m->month);
        out += '-';
        two(out, m->mday);
    }
    if (with_date && with_time) out += ' ';
    if (with_time) {
        two(out, m->second / 3600);
        out += ':';
        two(out, m->second / 60 % 60);
        out += ':';
        two(out, m->second % 60);
    }
}

void integer(std::string& out, long long v) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, v).ptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: floor-csv LOG OUT\n", stderr);
        return 64;
    }
    const std::string path = argv[1];
    FloorLog log(path);
    const auto& h = log.header();
    const bool per_unit = (h.common.error_flags & corvex::log_flags::kDetailedErrors) != 0;
    const bool per_record = (h.common.error_flags & corvex::log_flags::kBasicErrors) != 0;
    std::FILE* file = std::fopen(argv[2], "wb");
    if (!file) return 1;

    std::string out;
    const auto slash = path.find_last_of('/');
    out += "File Title: ," + (slash == std::string::npos ? path : path.substr(slash + 1)) + "\r\n";
    out += "File Name: ," + path + "\r\n";
    out += "Start Time:,";
    date(out, h.common.start_time);
    out += "\r\nEnd Time:,";
    date(out, h.common.end_time);
    out += "\r\nInterval:,";
    integer(out, h.common.interval);
    out += "\r\nRecords:,";
    integer(out, log.record_count());
    out += "\r\nCyclic Flags:,";
    integer(out, h.common.cyclic_flags);
    out += "\r\nError Flags:,";
    integer(out, h.common.error_flags);
    out += "\r\n\r\nDate/Time,";
    for (int k = 0; k < log.units(); ++k) {
        out += log.column_name(k, false) + ",";
        if (per_unit) out += "Error #,";
    }
    if (per_record) out += "Error #";
    out += "\r\n";

    double time = 0, values[12];
    std::int16_t errors[12];
    for (std::int32_t r = 0; r < log.record_count() && log.next(time, values, errors); ++r) {
        date(out, time);
        out += ',';
        std::int16_t record_error = 0;
        for (int k = 0; k < log.units(); ++k) {
            number(out, values[k]);
            out += ',';
            if (per_unit) {
                integer(out, errors[k]);
                out += ',';
            } else {
                record_error = errors[k];
            }
        }
        if (per_record) integer(out, per_unit ? 0 : record_error);
        out += "\r\n";
        if (out.size() > (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), file);
            out.clear();
        }
    }
    std::fwrite(out.data(), 1, out.size(), file);
    return std::fclose(file) == 0 ? 0 : 1;
}
