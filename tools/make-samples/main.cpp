// Writes the sample logs: plausible flow data from one ultrasonic meter on a
// 200 mm pipe (velocity, volume flow, a rising totaliser, temperature), in
// each readable format. The output is the same on every run.
//
//   make-samples <folder>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/logwriter/log_writer.h"

namespace {

using corvex::logwriter::Channel;
using corvex::logwriter::Format;
using corvex::logwriter::LogDescription;
using corvex::logwriter::Record;

constexpr double kStart = 45356.0 + 8.0 / 24.0;  // 2024-03-05 08:00 as a log time
constexpr double kPipeArea = 3.14159265358979 * 0.1 * 0.1;  // m², 200 mm bore

// Unit types: velocity m/s, volume m³/h, forward total m³, temperature °C.
constexpr std::int16_t kVelocity = 577, kVolume = 711, kTotal = 961, kTemperature = 145;

Channel pc_item(std::int16_t channel, std::int16_t unit_type, const char* label, const char* symbol) {
    Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    c.computer = "FIELD-LAPTOP";
    c.label = label;
    c.symbol = symbol;
    c.comport = 1;
    c.node_id = 3;
    return c;
}

Channel descriptor(std::int16_t channel, std::int16_t unit_type, std::int16_t input) {
    Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    c.input = input;
    return c;
}

// `count` records `interval` seconds apart. The velocity drifts slowly with a
// small deterministic ripple; now and then the meter flags a weak signal.
void add_flow(LogDescription& desc, int count, int interval) {
    double total = 1520.0;
    desc.interval = static_cast<std::int16_t>(interval);
    desc.start_time = kStart;
    desc.end_time = kStart + (count - 1) * interval / 86400.0;
    for (int r = 0; r < count; ++r) {
        const double velocity = 1.8 + 0.35 * std::sin(r / 45.0) + 0.04 * std::sin(r * 1.7);
        const double volume = velocity * kPipeArea * 3600.0;
        total += volume * interval / 3600.0;
        const double temperature = 17.5 + 1.5 * std::sin(r / 120.0);
        Record rec;
        rec.time = kStart + r * interval / 86400.0;
        rec.values = {std::round(velocity * 1000) / 1000, std::round(volume * 100) / 100, std::round(total * 10) / 10,
                      std::round(temperature * 10) / 10};
        const std::int16_t weak_signal = r % 97 == 41 ? 0x0004 : 0;
        rec.errors = {weak_signal, weak_signal, 0, 0};
        rec.record_error = weak_signal;
        desc.records.push_back(rec);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-samples <folder>\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    try {
        std::filesystem::create_directories(folder);

        LogDescription pc;
        pc.format = Format::Pc;
        pc.error_flags = 0x1000;
        pc.channels = {pc_item(1, kVelocity, "Velocity", "m/s"), pc_item(2, kVolume, "Volume", "m3/h"),
                       pc_item(3, kTotal, "(+)Total", "m3"), pc_item(4, kTemperature, "Temp", "\xB0" "C")};
        add_flow(pc, 300, 60);
        corvex::logwriter::write_log(folder / "pc_flow.log", pc);

        LogDescription meter;
        meter.format = Format::Meter;
        meter.type_code = 5;
        meter.error_flags = 0x1000;
        meter.channels = {descriptor(1, kVelocity, 1), descriptor(2, kVolume, 1), descriptor(3, kTotal, 1),
                          descriptor(4, kTemperature, 2)};
        add_flow(meter, 300, 30);
        corvex::logwriter::write_log(folder / "meter_flow.log", meter);

        LogDescription compact;
        compact.format = Format::CompactMeter;
        compact.type_code = 4;
        compact.cyclic_flags = 1;
        compact.error_flags = 0x2000;
        compact.channels = {descriptor(1, kVelocity, 0), descriptor(2, kVolume, 0), descriptor(3, kTotal, 0),
                            descriptor(4, kTemperature, 0)};
        add_flow(compact, 250, 120);
        corvex::logwriter::write_log(folder / "compact_flow.log", compact);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-samples: %s\n", e.what());
        return 1;
    }
    return 0;
}
