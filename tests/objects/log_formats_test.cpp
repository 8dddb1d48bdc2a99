// Every property of the log, its header, items and units, for each log format.
#include <string>
#include <tuple>

#include "objects_test_support.h"

namespace corvex::objects::testing {
namespace {

ComPtr<ILogInfo> info_of(ILog* log) {
    ComPtr<ILogInfo> info;
    EXPECT_EQ(log->GetLogInfo(info.put()), S_OK);
    return info;
}

std::vector<ItemSeen> items_of(ILogInfo* info) {
    std::vector<ItemSeen> items;
    std::int32_t count = -1;
    EXPECT_EQ(info->get_Count(&count), S_OK);
    for (std::int32_t k = 0; k < count; ++k) {
        ComPtr<ILogItem> item;
        EXPECT_EQ(info->get_Item(k, item.put()), S_OK);
        if (item) items.push_back(read_item(item.get()));
    }
    return items;
}

struct Header {
    double start, end;
    std::int16_t cyclic, errors, interval;
    bool operator==(const Header&) const = default;
};

Header header_of(ILogInfo* info) {
    Header h{};
    EXPECT_EQ(info->get_StartTime(&h.start), S_OK);
    EXPECT_EQ(info->get_EndTime(&h.end), S_OK);
    EXPECT_EQ(info->get_CyclicFlags(&h.cyclic), S_OK);
    EXPECT_EQ(info->get_ErrorFlags(&h.errors), S_OK);
    EXPECT_EQ(info->get_Interval(&h.interval), S_OK);
    return h;
}

// Record r of pc_desc / meter_desc as its units give it.
std::vector<UnitSeen> expected_units(int r, const std::vector<ItemSeen>& items) {
    std::vector<UnitSeen> units;
    for (int k = 0; k < static_cast<int>(items.size()); ++k)
        units.push_back({VT_R8, value_of(r, k), static_cast<std::int16_t>(r * 16 + k), 40000.0 + r, items[k].unit_type,
                         items[k].input, items[k].channel});
    return units;
}

class LogLayouts : public ObjectsTest, public ::testing::WithParamInterface<std::tuple<lw::Format, std::int32_t>> {};

// Meter logs label their items from the catalogue.
TEST_P(LogLayouts, AnswerFormatHeaderItemsAndEveryUnit) {
    const auto [format, offset] = GetParam();
    const bool pc = format == lw::Format::Pc, compact = format == lw::Format::CompactMeter;
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("layout.log", pc ? pc_desc(4) : meter_desc(format, offset, 5, 4))), 0);
    platform::Bstr name, key;
    std::int32_t header_offset = -1;
    ASSERT_EQ(log.query<ILogFormat>()->GetFormat(name.put(), key.put(), &header_offset), S_OK);
    EXPECT_EQ(name.utf8() + "/" + key.utf8(), pc        ? "PC log/pc"
                                              : compact ? "compact meter log/compact_meter"
                                                        : "meter log/meter");
    EXPECT_EQ(header_offset, offset);
    auto info = info_of(log.get());
    const Header header = pc ? Header{40000, 40004, 1, 0x4000, 30} : Header{41000.25, 41001.5, 0, 0x1000, 60};
    EXPECT_EQ(header_of(info.get()), header);
    const std::int16_t in0 = compact ? 0 : 2, in1 = compact ? 0 : 3;
    const std::vector<ItemSeen> pc_items = {
        {577, 0, 1, u"FLOWPC", u"Inlet velocity", u"m/s", 2, 7, 9, 3},
        {9999, 0, 2, u"FLOWPC", u"Temp \u00B0C", u"\u00B0C", 2, 8, 6, 1},
        {12, 0, 3, u"FLOWPC", u"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345", u"12345678", 3, 9, 12, 4},
    };
    const std::vector<ItemSeen> meter_items = {
        {577, in0, 4, u"RZ417", u"Velocity", u"m/s", 0, 0, 12, 4},
        {9999, in1, 5, u"RZ417", u"#9999", u"#9999", 0, 0, 12, 4},
        {-1, 0, 6, u"RZ417", u"#4294967295", u"#4294967295", 0, 0, 12, 4},
    };
    const std::vector<ItemSeen>& expected_items = pc ? pc_items : meter_items;
    EXPECT_EQ(items_of(info.get()), expected_items);
    // The PC count leaves out the last whole record; reading on still reaches it.
    std::int32_t count = 0;
    EXPECT_EQ(log->get_Count(&count), S_OK);
    EXPECT_EQ(count, pc ? 3 : 4);
    for (int r = 0; r < 4; ++r) EXPECT_EQ(next_units(log.get()), expected_units(r, expected_items)) << "record " << r;
    EXPECT_FALSE(next_units(log.get()));
    EXPECT_FALSE(next_units(log.get()));
}

INSTANTIATE_TEST_SUITE_P(All, LogLayouts,
                         ::testing::Values(std::tuple{lw::Format::Pc, 0}, std::tuple{lw::Format::Meter, 0},
                                           std::tuple{lw::Format::Meter, 68}, std::tuple{lw::Format::Meter, 40},
                                           std::tuple{lw::Format::CompactMeter, 0}),
                         [](const auto& param) {
                             const lw::Format f = std::get<0>(param.param);
                             const char* name = f == lw::Format::Pc      ? "PcAt"
                                                : f == lw::Format::Meter ? "MeterAt"
                                                                         : "CompactAt";
                             return name + std::to_string(std::get<1>(param.param));
                         });

// A compact meter log records every descriptor in use, but its channels end at
// the first unused one: the units are the leading channels' values.
TEST_F(ObjectsTest, CompactLogWithAGapGivesOnlyItsLeadingChannels) {
    auto desc = meter_desc(lw::Format::CompactMeter, 0, 5, 0);
    desc.channels = {meter_channel(1, 577, 0), meter_channel(2, 12, 0), meter_channel(3, 0, 0),
                     meter_channel(4, 9999, 0)};
    for (int r = 0; r < 3; ++r) desc.records.push_back({.time = 40000.0 + r, .values = {r + 0.25, r + 0.5, r + 0.75}, .errors = {}});
    auto log = new_log();
    ASSERT_EQ(open(log.get(), write("gap.log", desc)), 0);
    std::int32_t count = 0;
    EXPECT_EQ(info_of(log.get())->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    for (int r = 0; r < 3; ++r) {
        const auto units = next_units(log.get()).value_or(std::vector<UnitSeen>{});
        ASSERT_EQ(units.size(), 2u);
        EXPECT_EQ(units[0].value, r + 0.25);
        EXPECT_EQ(units[1].value, r + 0.5);
        EXPECT_EQ(units[1].time, 40000.0 + r);
    }
}

// Narrow meter values are packed at their own width; each must be widened from
// its own place, with the type code's meaning, exactly. Errors reach the units
// as the flags say: detailed words per channel, or the basic record word on
// every channel; the values are never touched by them.
TEST_F(ObjectsTest, MeterValuesAreWidenedFromTheirOwnPlaceAndErrorWordsReachTheirUnits) {
    struct Case {
        std::uint8_t type_code;
        std::int16_t flags;
        double first, second, want_first, want_second;
    };
    const Case cases[] = {
        {2, 0x1000, -12345, 321, -12345, 321},
        {3, 0x2000, -2000000, 70000, -2000000, 70000},
        {4, 0x3000, 0.1, -1.5, static_cast<double>(0.1f), -1.5},
        {5, 0x1000, 0.1, 1e300, 0.1, 1e300},
        {9, 0x2000, 2.75, 0.1, 2.75, static_cast<double>(0.1f)},  // unknown codes are 4-byte floats
    };
    for (const Case& c : cases) {
        for (const auto format : {lw::Format::Meter, lw::Format::CompactMeter}) {
            SCOPED_TRACE("type code " + std::to_string(c.type_code) + (format == lw::Format::Meter ? " meter" : " compact"));
            auto desc = meter_desc(format, 0, c.type_code, 2);
            desc.error_flags = c.flags;
            desc.records[1].values = {c.first, c.second, 0};
            auto log = new_log();
            ASSERT_EQ(open(log.get(), write("narrow.log", desc)), 0);
            for (int r = 0; r < 2; ++r) {
                const auto units = next_units(log.get()).value_or(std::vector<UnitSeen>{});
                ASSERT_EQ(units.size(), 3u);
                for (int k = 0; k < 3; ++k) {
                    EXPECT_EQ(units[k].vt, VT_R8);
                    EXPECT_EQ(units[k].error, (c.flags & 0x1000) ? r * 16 + k : 0x100 + r) << "record " << r << " unit " << k;
                }
                EXPECT_EQ(units[0].value, r ? c.want_first : value_of(0, 0));
                EXPECT_EQ(units[1].value, r ? c.want_second : value_of(0, 1));
            }
        }
    }
}

}  // namespace
}  // namespace corvex::objects::testing
