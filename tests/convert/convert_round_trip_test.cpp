// Logs of every format, written by the log writer, converted and read back
// with an independent parser; every field is checked against what a Log
// delivers for the source.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "corvex/platform/text.h"
#include "tests/convert/convert_test_support.h"

namespace corvex::convert::testing {
namespace {

std::string padded(std::string text, std::size_t width) {
    text.resize(width, ' ');
    return text;
}

std::string field_of(const std::u16string& text, std::size_t width) {
    return padded(text::utf16_to_cp1252(text), width);
}

lw::LogDescription meter_log(lw::Format format, std::int32_t offset, std::uint8_t type_code, std::int16_t error_flags,
                      std::vector<std::int16_t> unit_types, int record_count) {
    lw::LogDescription desc;
    desc.format = format;
    desc.header_offset = offset;
    desc.type_code = type_code;
    desc.error_flags = error_flags;
    desc.interval = 60;
    desc.start_time = 44900.0;
    desc.end_time = 44901.0;
    for (std::size_t c = 0; c < unit_types.size(); ++c) {
        lw::Channel ch;
        ch.channel = static_cast<std::int16_t>(c);
        ch.unit_type = unit_types[c];
        ch.input = static_cast<std::int16_t>(c + 2);
        desc.channels.push_back(ch);
    }
    desc.records = records(record_count, static_cast<int>(unit_types.size()));
    return desc;
}

struct RoundTripCase {
    const char* name;
    lw::LogDescription desc;
    std::size_t channels;  // what the Log reports
    std::size_t records;   // at least this many come through
};

std::vector<RoundTripCase> round_trip_cases() {
    return {
        {"pc_three_labelled_channels", pc_log(3, 5), 3, 5},
        {"pc_twelve_channels_no_end_marker", pc_log(12, 3), 12, 3},
        {"pc_no_channels", pc_log(0, 4), 0, 0},
        {"meter_at_0_detailed_errors", meter_log(lw::Format::Meter, 0, 5, 0x1000, {577, 578, 579}, 6), 3, 6},
        {"meter_at_68_basic_errors", meter_log(lw::Format::Meter, 68, 3, 0x2000, {577, 578}, 4), 2, 4},
        {"meter_at_40_both_errors_short_values", meter_log(lw::Format::Meter, 40, 2, 0x3000, {577}, 4), 1, 4},
        {"meter_unknown_unit_type", meter_log(lw::Format::Meter, 0, 5, 0, {9999, 577}, 2), 2, 2},
        {"compact_meter", meter_log(lw::Format::CompactMeter, 0, 5, 0x1000, {577, 578}, 5), 2, 5},
    };
}

TEST_F(ConvertTest, EveryFormatConvertsToWhatTheLogDelivered) {
    for (const RoundTripCase& c : round_trip_cases()) {
        SCOPED_TRACE(c.name);
        const fs::path src = write_log(dir_, std::string(c.name) + ".log", c.desc);
        const fs::path dst = dir_ / (std::string(c.name) + ".cvt");
        const std::optional<SourceView> source = read_through_log(src);
        ASSERT_TRUE(source);
        ASSERT_EQ(source->items.size(), c.channels);
        ASSERT_GE(source->records.size(), c.records);

        auto converter = ConvertLog::make();
        converter->put_Comport(3);
        converter->put_NodeID(-9);
        const Bstr computer(u"Rig 7");
        converter->put_ComputerName(computer.get());
        ASSERT_EQ(convert(*converter, src, dst), 0);
        EXPECT_TRUE(messages_.empty());

        const std::string bytes = read_file(dst);
        const std::size_t n = c.channels, r = source->records.size();
        EXPECT_EQ(bytes.size(), 1032 + 18 * n * r);
        const std::optional<ParsedLog> out = parse_converted(bytes);
        ASSERT_TRUE(out);
        EXPECT_EQ(out->signature[0], 0xB5);
        EXPECT_EQ(out->signature[1], 0x5B);
        EXPECT_EQ(out->cyclic_flags, source->cyclic_flags);
        EXPECT_EQ(out->error_flags, source->error_flags);
        EXPECT_EQ(out->interval, source->interval);
        EXPECT_EQ(out->start_time, source->start_time);
        EXPECT_EQ(out->end_time, source->end_time);

        ASSERT_EQ(out->items_before_end, static_cast<int>(n));
        for (std::size_t k = 0; k < n; ++k) {
            SCOPED_TRACE(k);
            const ParsedItem& item = out->items[k];
            EXPECT_EQ(item.computer, padded("Rig 7", 32));
            EXPECT_EQ(item.label, field_of(source->items[k].label, 32));
            EXPECT_EQ(item.symbol, field_of(source->items[k].symbol, 8));
            EXPECT_EQ(item.comport, 3);
            EXPECT_EQ(item.node_id, -9);
            EXPECT_EQ(item.channel, source->items[k].channel);
            EXPECT_EQ(item.unit_type, source->items[k].unit_type);
            EXPECT_EQ(item.width, 12);
            EXPECT_EQ(item.decimal, 4);
        }
        const std::string end_marker = std::string(78, '\0') + "\xFF\xFF" + std::string(4, '\0');
        for (std::size_t k = n; k < 12; ++k) EXPECT_EQ(out->items[k].raw, end_marker) << "slot " << k;

        EXPECT_EQ(out->trailing, 0u);
        if (n > 0) {
            ASSERT_EQ(out->records.size(), r);
        }
        for (std::size_t i = 0; i < r; ++i) {
            ASSERT_EQ(source->records[i].size(), n);
            for (std::size_t k = 0; k < n; ++k) {
                const ParsedEntry& got = out->records[i][k];
                const ParsedEntry& want = source->records[i][k];
                EXPECT_EQ(got.time, want.time) << "record " << i << " unit " << k;
                EXPECT_EQ(got.value_bits, want.value_bits) << "record " << i << " unit " << k;
                EXPECT_EQ(got.error, want.error) << "record " << i << " unit " << k;
            }
        }
        // The module's own readers do not take the converted layout.
        EXPECT_FALSE(read_through_log(dst));
    }
}

TEST_F(ConvertTest, PcLogTextsComeBackAsTheirFileBytes) {
    lw::LogDescription desc = pc_log(3, 2);
    desc.channels[0].label = std::string(32, 'L');                 // a full field, no terminator
    desc.channels[0].symbol = "12345678";                          // likewise
    desc.channels[1].label = "D\xE9" "bit \x80 \xB5S";             // Windows-1252: é, €, µ
    desc.channels[1].symbol = "\xB0" "C";                          // °C
    desc.channels[2].label = "";
    ASSERT_EQ(convert(write_log(dir_, "texts.log", desc), dir_ / "texts.cvt"), 0);
    const std::optional<ParsedLog> out = parse_converted(read_file(dir_ / "texts.cvt"));
    ASSERT_TRUE(out);
    for (std::size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(out->items[k].label, padded(desc.channels[k].label, 32)) << k;
        EXPECT_EQ(out->items[k].symbol, padded(desc.channels[k].symbol, 8)) << k;
        // No computer name was set: 32 spaces, whatever the source said.
        EXPECT_EQ(out->items[k].computer, std::string(32, ' ')) << k;
        EXPECT_EQ(out->items[k].comport, 0) << k;
        EXPECT_EQ(out->items[k].node_id, 0) << k;
    }
}

// The computer name is encoded, cut and padded; the settings stay for every
// later conversion, whatever the source's format.
TEST_F(ConvertTest, ComputerNameIsEncodedCutAndPaddedAndSettingsStay) {
    struct Case {
        std::u16string name;
        std::string field;
    } cases[] = {
        {u"", std::string(32, ' ')},
        {u"Hall5", "Hall5" + std::string(27, ' ')},
        {std::u16string(40, u'x'), std::string(32, 'x')},
        {u"Z\u00FCrich \u20AC", padded("Z\xFCrich \x80", 32)},          // in Windows-1252
        {u"\u03A9 \U0001F600", padded("? ?", 32)},                       // not in it: one '?' per character
        {std::u16string(u"ab\0cd", 5), padded("ab", 32)},                 // the text ends at a NUL
    };
    const lw::LogDescription meter = meter_log(lw::Format::Meter, 0, 5, 0, {577, 578, 579}, 2);
    const fs::path sources[] = {write_log(dir_, "pc.log", pc_log(2, 2)),  // a PC log needs two records to be readable
                                write_log(dir_, "meter.log", meter)};
    auto converter = ConvertLog::make();
    converter->put_Comport(-1);
    converter->put_NodeID(32767);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(::testing::PrintToString(text::utf16_to_utf8(c.name)));
        const Bstr name(c.name);
        ASSERT_EQ(converter->put_ComputerName(name.get()), S_OK);
        ASSERT_EQ(convert(*converter, sources[i % 2], dir_ / "out.cvt"), 0);
        const std::optional<ParsedLog> out = parse_converted(read_file(dir_ / "out.cvt"));
        ASSERT_TRUE(out);
        ASSERT_GT(out->items_before_end, 0);
        for (int k = 0; k < out->items_before_end; ++k) {
            EXPECT_EQ(out->items[k].computer, c.field);
            EXPECT_EQ(out->items[k].comport, -1);
            EXPECT_EQ(out->items[k].node_id, 32767);
        }
    }
    // A null name stores the empty name.
    ASSERT_EQ(converter->put_ComputerName(nullptr), S_OK);
    ASSERT_EQ(convert(*converter, sources[0], dir_ / "out.cvt"), 0);
    EXPECT_EQ(parse_converted(read_file(dir_ / "out.cvt"))->items[0].computer, std::string(32, ' '));
}

}  // namespace
}  // namespace corvex::convert::testing
