#include "logmodule/formats/pc_log_reader.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

#include "test_logs.h"

namespace corvex::formats {
namespace {

using logwriter::Channel;
using logwriter::Format;
using logwriter::LogDescription;
using logwriter::Record;
using testing::build;
using testing::SeekCase;
using testing::WatchedSource;

Channel item(std::int16_t channel, std::int16_t unit_type, std::string label = "Flow") {
    Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    c.computer = "PC1";
    c.label = std::move(label);
    c.symbol = "m/s";
    return c;
}

LogDescription pc_log(int records) {
    LogDescription s;
    s.format = Format::Pc;
    s.channels = {item(1, 577), item(2, 711), item(3, 961)};
    for (int r = 0; r < records; ++r) {
        Record rec;
        rec.time = 45000.0 + r;
        for (int k = 0; k < 12; ++k) {
            rec.values.push_back(r * 100 + k + 0.25);
            rec.errors.push_back(static_cast<std::int16_t>(r * 16 + k));
        }
        s.records.push_back(rec);
    }
    return s;
}

struct LengthCase {
    const char* what;
    friend void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.what; }
    int records;
    std::size_t extra;  // bytes after the whole records
    bool opens;
    std::int32_t count;
};

class PcFileLength : public ::testing::TestWithParam<LengthCase> {};

// The count is (length - 1,056) / 216, and at least one record must count.
TEST_P(PcFileLength, DecidesOpenAndCount) {
    const LengthCase& c = GetParam();
    LogDescription desc = pc_log(c.records);
    desc.trailing_bytes.assign(c.extra, '\0');
    const auto bytes = build(desc);
    PcLogReader reader;
    EXPECT_EQ(reader.OpenByteSource(std::make_unique<MemoryByteSource>(bytes)), c.opens ? 0 : -1) << c.what;
    EXPECT_EQ(reader.is_open(), c.opens);
    if (c.opens) {
        EXPECT_EQ(reader.RecordCount(), c.count) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Boundaries, PcFileLength,
                         ::testing::Values(LengthCase{"1,141 bytes: data length 85", 0, 109, false, 0},
                                           LengthCase{"1,142 bytes: data length 86, no record", 0, 110, false, 0},
                                           LengthCase{"1,271 bytes", 1, 23, false, 0},
                                           LengthCase{"1,272 bytes", 1, 24, true, 1},
                                           LengthCase{"1,680 bytes: three records, two counted", 3, 0, true, 2},
                                           LengthCase{"1,703 bytes", 3, 23, true, 2},
                                           LengthCase{"1,704 bytes", 3, 24, true, 3}), testing::NameFromWhat{});

TEST(PcLogReader, HeaderAndItemsAreDecoded) {
    LogDescription desc = pc_log(2);
    desc.cyclic_flags = 1;
    desc.error_flags = 0x5000;
    desc.start_time = 45000.5;
    desc.end_time = 45001.25;
    desc.interval = -3;
    desc.channels[1].unit_type = 0;  // in the table, not active
    desc.channels[2].label = std::string(32, 'X');
    desc.channels.push_back(item(4, -1));  // an explicit end marker, then a slot that must be ignored
    desc.channels.push_back(item(5, 1));
    const auto bytes = build(desc);
    PcLogReader reader;
    ASSERT_EQ(reader.OpenByteSource(std::make_unique<MemoryByteSource>(bytes)), 0);
    const PcHeader& h = reader.header();
    EXPECT_EQ(h.common.cyclic_flags, 1);
    EXPECT_EQ(h.common.error_flags, 0x5000);
    EXPECT_EQ(h.common.start_time, 45000.5);
    EXPECT_EQ(h.common.end_time, 45001.25);
    EXPECT_EQ(h.common.interval, -3);
    EXPECT_EQ(h.active_items, 2);
    EXPECT_EQ(std::string(h.items[0].computer.data(), 4), std::string("PC1\0", 4));  // trailing spaces became NULs
    EXPECT_EQ(std::string(h.items[0].symbol.data(), 8), std::string("m/s\0\0\0\0\0", 8));
    EXPECT_EQ(std::string(h.items[2].label.data(), 32), std::string(32, 'X'));  // a full field keeps every byte
    EXPECT_EQ(h.items[0].unit_type, 577);
    EXPECT_EQ(h.items[0].width, 12);
    EXPECT_EQ(h.items[0].decimal, 4);
    EXPECT_EQ(h.items[3].unit_type, -1);
    EXPECT_EQ(h.items[4].unit_type, 0);  // after the end marker: not read
}

TEST(PcLogReader, RecordTimeIsTheTimeOfTheLastEntryRead) {
    auto bytes = build(pc_log(3));
    testing::poke_le64(bytes, 1032 + 18 * 11, std::bit_cast<std::uint64_t>(46000.5));
    testing::poke_le64(bytes, 1032 + 18 * 4, std::bit_cast<std::uint64_t>(47000.5));
    PcLogReader reader;
    ASSERT_EQ(reader.OpenByteSource(std::make_unique<MemoryByteSource>(bytes)), 0);
    reader.Rewind();
    double t = 0;
    ASSERT_TRUE(reader.ReadRecord(&t, nullptr, nullptr, nullptr));
    EXPECT_EQ(t, 46000.5);
    reader.Rewind();
    const std::int32_t list[] = {2, 4, -1};
    ASSERT_TRUE(reader.ReadRecord(&t, nullptr, nullptr, list));
    EXPECT_EQ(t, 47000.5);
}

struct ListCase {
    const char* what;
    friend void PrintTo(const ListCase& c, std::ostream* os) { *os << c.what; }
    std::vector<std::int32_t> list;
    std::vector<int> slots;  // entries expected, in order
};

class PcChannelLists : public ::testing::TestWithParam<ListCase> {};

TEST_P(PcChannelLists, ReadOnlyTheListedEntries) {
    const ListCase& c = GetParam();
    const auto bytes = build(pc_log(3));
    WatchedSource src(bytes);
    PcLogReader reader;
    ASSERT_EQ(reader.OpenByteSource(std::move(src.owned)), 0);
    ASSERT_TRUE(reader.SeekRecords(1, 0) == 0);
    double values[12];
    std::int16_t errors[kErrorPlaces];
    std::fill(std::begin(values), std::end(values), -7.0);
    std::fill(std::begin(errors), std::end(errors), std::int16_t{0x7777});
    ASSERT_TRUE(reader.ReadRecord(nullptr, values, errors, c.list.data())) << c.what;
    for (std::size_t i = 0; i < c.slots.size(); ++i) {
        EXPECT_EQ(values[i], 100 + c.slots[i] + 0.25) << c.what << " place " << i;
        EXPECT_EQ(errors[i], 16 + c.slots[i]) << c.what << " place " << i;
    }
    if (c.slots.size() < 12) {
        EXPECT_EQ(values[c.slots.size()], -7.0) << c.what;
        EXPECT_EQ(errors[c.slots.size()], 0x7777) << c.what;
    }
    EXPECT_EQ(src.watch->tell(), 1032 + 2 * 216);  // at the next record whatever the list
}

INSTANTIATE_TEST_SUITE_P(
    Lists, PcChannelLists,
    ::testing::Values(ListCase{"skips channels", {1, 3, 11, -1}, {1, 3, 11}},
                      ListCase{"stops at slot 12", {2, 12, 5, -1}, {2}},
                      ListCase{"empty list", {-1}, {}},
                      ListCase{"a repeating list fills no more than twelve places",
                               {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1},
                               {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}}), testing::NameFromWhat{});

// A read without arrays, and a read that fails, still end at the next record boundary.
TEST(PcLogReader, EveryReadEndsAtTheNextRecordBoundary) {
    LogDescription desc = pc_log(3);
    desc.truncate_to = 1032 + 2 * 216 + 100;  // the third record is cut inside entry 5
    const auto bytes = build(desc);
    WatchedSource src(bytes);
    PcLogReader reader;
    ASSERT_EQ(reader.OpenByteSource(std::move(src.owned)), 0);
    reader.Rewind();
    EXPECT_TRUE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(src.watch->tell(), 1032 + 216);
    ASSERT_EQ(reader.SeekRecords(2, 0), 0);
    EXPECT_FALSE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(src.watch->tell(), 1032 + 3 * 216);
}

class PcSeeks : public ::testing::TestWithParam<SeekCase> {};

// A 1,680-byte log: three records, two counted.
TEST_P(PcSeeks, MoveByWholeRecords) {
    const SeekCase& c = GetParam();
    const auto bytes = build(pc_log(3));
    WatchedSource src(bytes);
    PcLogReader reader;
    ASSERT_EQ(reader.OpenByteSource(std::move(src.owned)), 0);
    ASSERT_TRUE(src.watch->seek(c.start, SeekOrigin::Begin));
    EXPECT_EQ(reader.SeekRecords(c.n, c.whence), c.result);
    EXPECT_EQ(src.watch->tell(), c.position);
}

INSTANTIATE_TEST_SUITE_P(Origins, PcSeeks,
                         ::testing::Values(SeekCase{0, 0, 500, 0, 1032}, SeekCase{2, 0, 0, 0, 1464},
                                           SeekCase{-5, 0, 1248, -1, 1248},  // before the file: refused
                                           SeekCase{9, 0, 0, 0, 1032 + 9 * 216},  // past the end: set
                                           SeekCase{1, 1, 1032, 0, 1248}, SeekCase{-1, 1, 1248, 0, 1032},
                                           SeekCase{0, 2, 1032, 0, 1680}, SeekCase{-1, 2, 1032, 0, 1464},
                                           SeekCase{1, 2, 1032, 0, 1896},   // below the count: from the end
                                           SeekCase{2, 2, 1032, -1, 1032},  // n not below the count
                                           SeekCase{0, 3, 1248, -1, 1248}));

// A reader that did not open answers every call as closed.
TEST(PcLogReader, SignatureAndCutHeadersAreRejected) {
    auto bytes = build(pc_log(2));
    bytes[0] = 0xB5;
    bytes[1] = 0x5B;  // the converted log's signature
    PcLogReader reader;
    EXPECT_EQ(reader.OpenByteSource(std::make_unique<MemoryByteSource>(bytes)), -1);
    EXPECT_FALSE(reader.is_open());
    EXPECT_EQ(reader.OpenByteSource(nullptr), -1);
    EXPECT_EQ(reader.OpenLogFile("/nonexistent/corvex/x.log"), -1);
    EXPECT_FALSE(reader.Rewind());
    EXPECT_FALSE(reader.SeekLast());
    EXPECT_EQ(reader.SeekRecords(0, 0), -1);
    EXPECT_FALSE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace corvex::formats
