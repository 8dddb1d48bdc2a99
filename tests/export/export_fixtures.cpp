#include "tests/export/export_fixtures.h"

#include <limits>

namespace corvex::exporting::testing {

namespace {

constexpr double kSecond = 1.0 / 86400;
constexpr double k20240301 = 45352.0;

logwriter::Channel pc_channel(std::int16_t channel, std::int16_t unit_type, const char* label, const char* symbol) {
    logwriter::Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    c.computer = "FIELD-PC";
    c.label = label;
    c.symbol = symbol;
    c.comport = 1;
    c.node_id = 3;
    return c;
}

logwriter::Channel meter_channel(std::int16_t channel, std::int16_t unit_type, std::int16_t input = 0) {
    logwriter::Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    c.input = input;
    return c;
}

// A PC log's record count leaves out the last 24 bytes after the item table;
// logs written by the instruments end with them.
const std::string kPcTrailer(24, '\0');

}  // namespace

logwriter::LogDescription pc3_log() {
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Pc;
    desc.trailing_bytes = kPcTrailer;
    desc.cyclic_flags = 1;
    desc.error_flags = 0x1000;
    desc.interval = 10;
    const double t0 = k20240301 + 8 * 3600 * kSecond;
    desc.start_time = t0;
    desc.end_time = k20240301 + 1;
    desc.channels = {pc_channel(1, 577, "Flow", "m/s"), pc_channel(2, 65, "Temp, inlet", "degC"),
                     pc_channel(3, 1, "Pressure", "")};
    desc.records = {
        {t0, {1.5, 20.25, 101325}, {0, 0, 0}, 0},
        {t0 + 10 * kSecond, {-0.0, 3.25, 1e20}, {0, 2, 0}, 0},
        {k20240301 + 1, {std::numeric_limits<double>::quiet_NaN(), 1.5e-5, 0.1 + 0.2}, {0, 0, -1}, 0},
    };
    return desc;
}

logwriter::LogDescription meter_basic_log() {
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Meter;
    desc.type_code = 5;
    desc.error_flags = 0x2000;
    desc.interval = 60;
    const double t0 = k20240301 + 0.5;
    desc.start_time = t0;
    desc.end_time = t0 + 120 * kSecond;
    desc.channels = {meter_channel(1, 577, 2), meter_channel(2, 65)};
    desc.records = {
        {t0, {2.5, -40}, {}, 0},
        {t0 + 60 * kSecond, {2.75, -39.5}, {}, 5},
        {t0 + 120 * kSecond, {3, -39}, {}, -3},
    };
    return desc;
}

logwriter::LogDescription meter_both_flags_log() {
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Meter;
    desc.header_offset = 68;
    desc.type_code = 5;
    desc.cyclic_flags = 1;
    desc.error_flags = static_cast<std::int16_t>(0xB000);
    desc.interval = 1;
    desc.start_time = -1.25;
    desc.end_time = k20240301 + 1;
    desc.channels = {meter_channel(1, 577), meter_channel(2, 1)};
    desc.records = {
        {-1.25, {1, 20.9}, {1, 0}, 7},
        {k20240301 + 1, {0.5, 21}, {0, 3}, 9},
    };
    return desc;
}

logwriter::LogDescription compact_log() {
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::CompactMeter;
    desc.type_code = 5;
    desc.interval = 5;
    const double t0 = k20240301 + 0.25;
    desc.start_time = t0;
    desc.end_time = t0 + 5 * kSecond;
    desc.channels = {meter_channel(1, 577), meter_channel(2, 65)};
    desc.records = {
        {t0, {1.25, 10}, {}, 0},
        {t0 + 5 * kSecond, {1.5, 10.5}, {}, 0},
    };
    return desc;
}

logwriter::LogDescription meter_no_records_log() {
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Meter;
    desc.header_offset = 40;
    desc.type_code = 5;
    desc.error_flags = 0x1000;
    desc.interval = 1;
    desc.channels = {meter_channel(1, 577)};
    return desc;
}

logwriter::LogDescription large_pc_log(int records, int channels) {
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Pc;
    desc.trailing_bytes = kPcTrailer;
    desc.error_flags = 0x1000;
    desc.interval = 1;
    desc.start_time = k20240301;
    desc.end_time = k20240301 + records * kSecond;
    for (int c = 0; c < channels; ++c) {
        desc.channels.push_back(pc_channel(static_cast<std::int16_t>(c + 1), 577, "Flow", "m/s"));
    }
    desc.records.reserve(static_cast<std::size_t>(records));
    for (int r = 0; r < records; ++r) {
        logwriter::Record record;
        record.time = k20240301 + r * kSecond;
        for (int c = 0; c < channels; ++c) {
            record.values.push_back(r * 0.25 + c);
            record.errors.push_back(static_cast<std::int16_t>(r % 3));
        }
        desc.records.push_back(std::move(record));
    }
    return desc;
}

}  // namespace corvex::exporting::testing
