// Writes the logs the client tests open into the folder given as argument:
// pc.log (a PC log with two labelled channels) and meter.log (a meter log).
// A separate program so the client tests themselves link nothing but the platform.
#include <cstdio>
#include <filesystem>
#include <exception>

#include "tools/logwriter/log_writer.h"

namespace lw = corvex::logwriter;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_fixture_logs FOLDER\n", stderr);
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    try {
        lw::LogDescription pc;
        pc.format = lw::Format::Pc;
        pc.interval = 30;
        pc.start_time = 40000;
        pc.end_time = 40000.5;
        pc.channels = {
            lw::Channel{.channel = 1, .unit_type = 577, .computer = "FLOWPC", .label = "Inlet flow", .symbol = "m3/h",
                        .comport = 2, .node_id = 7, .width = 9, .decimal = 3},
            lw::Channel{.channel = 2, .unit_type = 12, .computer = "FLOWPC", .label = "Pressure", .symbol = "bar",
                        .comport = 2, .node_id = 8, .width = 6, .decimal = 1},
        };
        for (int r = 0; r < 3; ++r)
            pc.records.push_back(lw::Record{.time = 40000 + r / 24.0,
                                            .values = {1.5 + r, 100.25 * (r + 1)},
                                            .errors = {0, static_cast<std::int16_t>(r)},
                                            .record_error = 0});
        lw::write_log(dir / "pc.log", pc);

        lw::LogDescription meter;
        meter.format = lw::Format::Meter;
        meter.type_code = 5;
        meter.error_flags = 0x1000;
        meter.interval = 60;
        meter.start_time = 41000.25;
        meter.end_time = 41001.5;
        lw::Channel flow;
        flow.channel = 4;
        flow.unit_type = 577;
        flow.input = 2;
        meter.channels = {flow};
        for (int r = 0; r < 4; ++r)
            meter.records.push_back(lw::Record{.time = 41000.25 + r, .values = {2.0 * r}, .errors = {0}, .record_error = 0});
        lw::write_log(dir / "meter.log", meter);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_fixture_logs: %s\n", e.what());
        return 1;
    }
    return 0;
}
