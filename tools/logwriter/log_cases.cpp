#include "tools/logwriter/log_cases.h"

namespace corvex::logwriter {

namespace {

// Values that every width carries exactly (16-bit integers, floats, doubles).
std::vector<Record> records(int count, int channels, double first_time) {
    std::vector<Record> out;
    for (int r = 0; r < count; ++r) {
        Record rec;
        rec.time = first_time + r / 1440.0;
        for (int c = 0; c < channels; ++c) {
            rec.values.push_back((c % 2 ? -1 : 1) * (100 * r + 10 * c + 0.5 * (r % 2)));
            rec.errors.push_back(static_cast<std::int16_t>(0x100 * c + r));
        }
        rec.record_error = static_cast<std::int16_t>(-r - 1);
        out.push_back(rec);
    }
    return out;
}

Channel item(std::int16_t channel, std::int16_t unit_type, std::string label, std::string symbol) {
    return Channel{.channel = channel,
                   .unit_type = unit_type,
                   .input = 0,
                   .computer = std::string("FLOWPC-07"),
                   .label = std::move(label),
                   .symbol = std::move(symbol),
                   .comport = 2,
                   .node_id = 14,
                   .width = 9,
                   .decimal = 3};
}

Channel descriptor(std::int16_t channel, std::int16_t unit_type, std::int16_t input = 0) {
    Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    c.input = input;
    return c;
}

LogDescription meter(Format format, std::int32_t offset, std::uint8_t type_code, std::int16_t flags, std::vector<Channel> ch,
              int record_count) {
    LogDescription s;
    s.format = format;
    s.header_offset = offset;
    s.type_code = type_code;
    s.error_flags = flags;
    s.cyclic_flags = 1;
    s.interval = 60;
    s.start_time = 45000.25;
    s.end_time = 45000.75;
    s.channels = std::move(ch);
    s.records = records(record_count, 12, 45000.25);
    return s;
}

std::vector<LogCase> make_cases() {
    std::vector<LogCase> cases;

    LogDescription pc;
    pc.format = Format::Pc;
    pc.error_flags = 0x1000;
    pc.interval = 30;
    pc.start_time = 45100.5;
    pc.end_time = 45101.5;
    pc.channels = {item(1, 577, "Velocity", "m/s"), item(2, 711, "Volume", "m3/h"), item(3, 961, "(+)Total", "m3")};
    pc.records = records(4, 12, 45100.5);
    cases.push_back({"pc_three_items", pc});

    LogDescription pc_gap = pc;
    pc_gap.channels[1].unit_type = 0;  // an unused slot between two items in use
    cases.push_back({"pc_unused_slot", pc_gap});

    LogDescription pc_none = pc;
    pc_none.channels.clear();  // the first slot is the end marker
    cases.push_back({"pc_no_items", pc_none});

    LogDescription pc_full = pc;
    pc_full.channels.clear();
    for (std::int16_t i = 0; i < 12; ++i) pc_full.channels.push_back(item(i, static_cast<std::int16_t>(2049 + i), "Diag", "x"));
    pc_full.channels[0].label = std::string(40, 'L');  // cut to 32, no terminator
    cases.push_back({"pc_twelve_items", pc_full});

    const std::vector<Channel> three = {descriptor(1, 577, 2), descriptor(2, 711), descriptor(3, 145, 1)};
    cases.push_back({"meter_at_0_double_detailed", meter(Format::Meter, 0, 5, 0x1000, three, 5)});
    cases.push_back({"meter_at_68_int16_basic", meter(Format::Meter, 68, 2, 0x2000, three, 5)});
    cases.push_back({"meter_at_40_int32_both", meter(Format::Meter, 40, 3, 0x3000, three, 5)});
    cases.push_back({"meter_float_no_errors", meter(Format::Meter, 0, 4, 0x4000, three, 5)});
    cases.push_back({"meter_unknown_code_is_float", meter(Format::Meter, 0, 9, 0x3000, three, 3)});

    // A gap in the descriptors: the meter log stops counting there, the
    // compact log counts every descriptor in use.
    const std::vector<Channel> gap = {descriptor(1, 577), descriptor(2, 711), descriptor(3, 0), descriptor(4, 961)};
    cases.push_back({"meter_descriptor_gap", meter(Format::Meter, 0, 5, 0x3000, gap, 4)});
    cases.push_back({"compact_descriptor_gap", meter(Format::CompactMeter, 0, 5, 0x3000, gap, 4)});
    cases.push_back({"compact_int16_basic", meter(Format::CompactMeter, 0, 2, 0x2000, three, 6)});

    LogDescription ended = meter(Format::Meter, 0, 5, 0x1000, three, 4);
    ended.records[2].time = 0.0;  // the end mark: records 2 and 3 do not count
    cases.push_back({"meter_zero_time_end", ended});

    LogDescription cut = meter(Format::CompactMeter, 0, 3, 0x2000, three, 3);
    cut.trailing_bytes = std::string(7, '\x41');  // part of a record after the last whole one
    cases.push_back({"compact_trailing_part_record", cut});

    LogDescription converted = pc;
    converted.format = Format::Converted;
    cases.push_back({"converted_three_items", converted, false});
    return cases;
}

}  // namespace

const std::vector<LogCase>& reference_log_cases() {
    static const std::vector<LogCase> cases = make_cases();
    return cases;
}

}  // namespace corvex::logwriter
