// Small logs for the command tests, described in code and written by the log writer.
#pragma once

#include <cmath>
#include <limits>

#include "tools/logwriter/log_writer.h"

namespace corvex::cli_test {

inline logwriter::Channel channel(std::int16_t number, std::int16_t unit_type, const char* label = "") {
    logwriter::Channel c;
    c.channel = number;
    c.unit_type = unit_type;
    c.label = label;
    return c;
}

// A PC log with detailed errors and the cyclic flag: two items (one without a
// symbol) and three records, at 2023-03-15 12:00:00, 18:00:00 and midnight.
inline logwriter::LogDescription pc_log() {
    logwriter::LogDescription s;
    s.cyclic_flags = 1;
    s.error_flags = 0x1000;
    s.interval = 10;
    s.start_time = 45000.5;
    s.end_time = 45000.75;
    s.channels = {channel(1, 577, "Flow"), channel(2, 705, "Level")};
    for (auto& c : s.channels) c.computer = "FLOWPC";
    s.channels[0].symbol = "m/s";
    s.channels[0].comport = 2;
    s.channels[0].node_id = 3;
    s.channels[0].width = 9;
    s.channels[0].decimal = 2;
    const double inf = std::numeric_limits<double>::infinity();
    s.records = {{45000.5, {1.5, 0.1}, {0, 7}, 0}, {45000.75, {-2.25, std::nan("")}, {-1, 0}, 0},
                 {45001.0, {inf, 1e20}, {0, 0}, 0}};
    s.trailing_bytes = std::string(24, '\0');  // a PC log counts a last record only when more bytes follow it
    return s;
}

// A meter log at header offset 68, doubles, one channel (velocity, m/s), four
// records a minute apart from 2023-03-15 06:00:00, values 10 to 13.
inline logwriter::LogDescription meter_log() {
    logwriter::LogDescription s;
    s.format = logwriter::Format::Meter;
    s.header_offset = 68;
    s.interval = 60;
    s.start_time = 45000.25;
    s.end_time = 45000.5;
    s.channels = {channel(1, 577)};
    for (int r = 0; r < 4; ++r) s.records.push_back({45000.25 + r / 1440.0, {10.0 + r}, {}, 0});
    return s;
}

}  // namespace corvex::cli_test
