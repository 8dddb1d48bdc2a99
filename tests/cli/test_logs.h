// Small logs for the command tests, described in code and written by the log writer.
#pragma once

#include <cmath>
#include <limits>

#include "tools/logwriter/log_writer.h"

namespace corvex::cli_test {

// A PC log with detailed errors and the cyclic flag: two items (one without a
// symbol) and three records, at 2023-03-15 12:00:00, 18:00:00 and midnight.
inline logwriter::LogDescription pc_log() {
    logwriter::LogDescription s;
    s.format = logwriter::Format::Pc;
    s.cyclic_flags = 1;
    s.error_flags = 0x1000;
    s.interval = 10;
    s.start_time = 45000.5;
    s.end_time = 45000.75;
    logwriter::Channel flow;
    flow.channel = 1;
    flow.unit_type = 577;
    flow.computer = "FLOWPC";
    flow.label = "Flow";
    flow.symbol = "m/s";
    flow.comport = 2;
    flow.node_id = 3;
    flow.width = 9;
    flow.decimal = 2;
    logwriter::Channel level;
    level.channel = 2;
    level.unit_type = 705;
    level.computer = "FLOWPC";
    level.label = "Level";
    s.channels = {flow, level};
    const double inf = std::numeric_limits<double>::infinity();
    s.records = {
        {45000.5, {1.5, 0.1}, {0, 7}, 0},
        {45000.75, {-2.25, std::nan("")}, {-1, 0}, 0},
        {45001.0, {inf, 1e20}, {0, 0}, 0},
    };
    // A PC log counts a last record only when more bytes follow it.
    s.trailing_bytes = std::string(24, '\0');
    return s;
}

// A meter log at header offset 68, doubles, one channel (velocity, m/s), four records.
inline logwriter::LogDescription meter_log() {
    logwriter::LogDescription s;
    s.format = logwriter::Format::Meter;
    s.header_offset = 68;
    s.type_code = 5;
    s.interval = 60;
    s.start_time = 45000.25;
    s.end_time = 45000.5;
    logwriter::Channel velocity;
    velocity.channel = 1;
    velocity.unit_type = 577;
    s.channels = {velocity};
    for (int r = 0; r < 4; ++r) s.records.push_back({45000.25 + r / 1440.0, {10.0 + r}, {}, 0});
    return s;
}

// A PC log whose item table holds no item.
inline logwriter::LogDescription pc_log_without_units() {
    logwriter::LogDescription s = pc_log();
    s.channels.clear();
    return s;
}

}  // namespace corvex::cli_test
