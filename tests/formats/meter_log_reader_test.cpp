#include "logmodule/formats/meter_log_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

#include "logmodule/formats/compact_meter_log_reader.h"
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

Channel descriptor(std::int16_t channel, std::int16_t unit_type) {
    Channel c;
    c.channel = channel;
    c.unit_type = unit_type;
    return c;
}

// Three channels of doubles: value 10r + c + 0.5, channel error 100 + 10r + c,
// record error -(r + 1).
LogDescription meter_log(std::int16_t flags, int records, Format format = Format::Meter, std::int32_t offset = 0) {
    LogDescription s;
    s.format = format;
    s.header_offset = offset;
    s.type_code = 5;
    s.error_flags = flags;
    s.channels = {descriptor(1, 577), descriptor(2, 711), descriptor(3, 961)};
    for (int r = 0; r < records; ++r) {
        Record rec;
        rec.time = 45000.0 + r;
        for (int c = 0; c < 3; ++c) {
            rec.values.push_back(10 * r + c + 0.5);
            rec.errors.push_back(static_cast<std::int16_t>(100 + 10 * r + c));
        }
        rec.record_error = static_cast<std::int16_t>(-(r + 1));
        s.records.push_back(rec);
    }
    return s;
}

std::unique_ptr<MeterFamilyReader> reader_for(Format format, std::int32_t offset = 0) {
    if (format == Format::Meter) return std::make_unique<MeterLogReader>(offset);
    return std::make_unique<CompactMeterLogReader>();
}

constexpr std::int16_t kUntouched = 0x7777;
constexpr std::int16_t R = -1;  // record 0's record error word
std::int16_t E(int c) { return static_cast<std::int16_t>(100 + c); }  // record 0's channel error words

struct PlacementCase {
    const char* what;
    friend void PrintTo(const PlacementCase& c, std::ostream* os) { *os << c.what; }
    std::int16_t flags;
    std::vector<std::int32_t> list;  // empty: the default list
    std::vector<int> values;         // channels whose values arrive, in order
    std::vector<std::int16_t> errors;
};

class MeterErrorPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(MeterErrorPlacement, ValuesAndErrorWordsLandInTheirPlaces) {
    const PlacementCase& c = GetParam();
    for (Format format : {Format::Meter, Format::CompactMeter}) {
        const auto file = build(meter_log(c.flags, 2, format));
        const auto reader = reader_for(format);
        ASSERT_EQ(reader->OpenByteSource(std::make_unique<MemoryByteSource>(file)), 0);
        ASSERT_TRUE(reader->Rewind());
        double values[12];
        std::int16_t errors[kErrorPlaces];
        std::fill(std::begin(values), std::end(values), -7.0);
        std::fill(std::begin(errors), std::end(errors), kUntouched);
        double t = 0;
        ASSERT_TRUE(reader->ReadRecord(&t, values, errors, c.list.empty() ? nullptr : c.list.data())) << c.what;
        EXPECT_EQ(t, 45000.0);
        for (std::size_t i = 0; i < c.values.size(); ++i) EXPECT_EQ(values[i], c.values[i] + 0.5) << c.what;
        EXPECT_EQ(values[c.values.size()], -7.0) << c.what;
        for (std::size_t i = 0; i < c.errors.size(); ++i) EXPECT_EQ(errors[i], c.errors[i]) << c.what << " place " << i;
        EXPECT_EQ(errors[c.errors.size()], kUntouched) << c.what;
        // The position is at the next record whatever was selected.
        ASSERT_TRUE(reader->ReadRecord(&t, nullptr, nullptr, nullptr)) << c.what;
        EXPECT_EQ(t, 45001.0) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(
    FlagsAndLists, MeterErrorPlacement,
    ::testing::Values(
        PlacementCase{"no error words", 0, {}, {0, 1, 2}, {}},
        PlacementCase{"detailed", 0x1000, {}, {0, 1, 2}, {E(0), E(1), E(2)}},
        PlacementCase{"basic: the record word is every channel's", 0x2000, {}, {0, 1, 2}, {R, R, R}},
        PlacementCase{"both: channel words, then the record word", 0x3000, {}, {0, 1, 2}, {E(0), E(1), E(2), R, R, R}},
        PlacementCase{"hold bit changes nothing", 0x4000, {}, {0, 1, 2}, {}},
        PlacementCase{"basic, channel 1 only", 0x2000, {1, -1}, {1}, {R, R}},
        PlacementCase{"both, channel 1 only", 0x3000, {1, -1}, {1}, {E(1), R, R}},
        PlacementCase{"both, channels 0 and 2", 0x3000, {0, 2, -1}, {0, 2}, {E(0), E(2), R, R, R}},
        PlacementCase{"detailed, channel 2 only", 0x1000, {2, -1}, {2}, {E(2)}},
        PlacementCase{"basic, empty list", 0x2000, {-1}, {}, {R}},
        PlacementCase{"basic, a channel beyond the log", 0x2000, {7, -1}, {}, {R, R, R}}), testing::NameFromWhat{});

struct OpenCase {
    const char* what;
    friend void PrintTo(const OpenCase& c, std::ostream* os) { *os << c.what; }
    Format format;
    std::int32_t offset;
    std::size_t length;        // cut the file to this length (0: leave it)
    int byte_to_clear;         // -1: none
    std::int32_t result;
};

class MeterOpen : public ::testing::TestWithParam<OpenCase> {};

TEST_P(MeterOpen, ResultCodes) {
    const OpenCase& c = GetParam();
    LogDescription desc = meter_log(0, 2, c.format, c.offset);
    if (c.length) desc.truncate_to = c.length;
    auto bytes = build(desc);
    if (c.byte_to_clear >= 0) bytes[static_cast<std::size_t>(c.byte_to_clear)] = 0;
    const auto reader = reader_for(c.format, c.offset);
    EXPECT_EQ(reader->OpenByteSource(std::make_unique<MemoryByteSource>(bytes)), c.result) << c.what;
    EXPECT_EQ(reader->is_open(), c.result == 0) << c.what;
    if (c.result != 0) {
        EXPECT_EQ(reader->RecordSize(), 0);
        EXPECT_EQ(reader->header().signature, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Checks, MeterOpen,
    ::testing::Values(OpenCase{"whole", Format::Meter, 0, 0, -1, 0},
                      OpenCase{"header only", Format::Meter, 0, 98, -1, 0},
                      OpenCase{"50 bytes", Format::Meter, 0, 50, -1, -998},
                      OpenCase{"header one byte short", Format::Meter, 0, 97, -1, -998},
                      OpenCase{"signature cleared", Format::Meter, 0, 0, 2, -999},
                      OpenCase{"offset 68, header one byte short", Format::Meter, 68, 165, -1, -998},
                      OpenCase{"offset 68, header whole", Format::Meter, 68, 166, -1, 0},
                      OpenCase{"offset 40, signature cleared", Format::Meter, 40, 0, 42, -999},
                      OpenCase{"compact header one byte short", Format::CompactMeter, 0, 71, -1, -998},
                      OpenCase{"compact header whole", Format::CompactMeter, 0, 72, -1, 0},
                      OpenCase{"compact signature cleared", Format::CompactMeter, 0, 0, 0, -999}), testing::NameFromWhat{});

TEST(MeterLogReader, AMissingFileCannotBeOpened) {
    MeterLogReader reader(0);
    EXPECT_EQ(reader.OpenLogFile("/nonexistent/corvex/meter.log"), -1000);
    EXPECT_EQ(reader.OpenByteSource(nullptr), -1000);
    EXPECT_EQ(reader.RecordCount(), 0);
    EXPECT_FALSE(reader.Rewind());
    EXPECT_FALSE(reader.SeekLast());
    EXPECT_EQ(reader.SeekRecords(3, 0), 0);
    EXPECT_FALSE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
}

TEST(MeterLogReader, AZeroTimeEndsTheLogAndMovesSixteenBytes) {
    LogDescription desc = meter_log(0x2000, 4);
    desc.records[1].time = 0.0;
    const auto bytes = build(desc);
    WatchedSource src(bytes);
    MeterLogReader reader(0);
    ASSERT_EQ(reader.OpenByteSource(std::move(src.owned)), 0);
    EXPECT_EQ(reader.RecordCount(), 1);
    reader.Rewind();
    EXPECT_TRUE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
    const std::int64_t second = src.watch->tell();
    EXPECT_FALSE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(src.watch->tell(), second + 16);
    EXPECT_TRUE(reader.SeekLast());
    EXPECT_EQ(src.watch->tell(), 98);
    desc.records[0].time = 0.0;  // a first record with time 0: no records at all
    MeterLogReader none(0);
    ASSERT_EQ(none.OpenByteSource(std::make_unique<MemoryByteSource>(logwriter::build_log(desc))), 0);
    EXPECT_EQ(none.RecordCount(), 0);
}

struct CutCase {
    const char* what;
    friend void PrintTo(const CutCase& c, std::ostream* os) { *os << c.what; }
    Format format;
    std::int16_t flags;
    std::size_t cut_into_last;  // bytes of the fourth record left in the file
    std::int32_t count;         // records counted
};

class MeterShortRecord : public ::testing::TestWithParam<CutCase> {};

// Counting seeks over values and error words, so a last record cut after its
// whole time still counts (a compact log with record error words reads that
// word, so there the cut record does not count); reading it fails either way.
TEST_P(MeterShortRecord, IsCountedByItsTimeButNotRead) {
    const CutCase& c = GetParam();
    LogDescription desc = meter_log(c.flags, 4, c.format);
    desc.truncate_to = logwriter::data_start(desc) + 3 * logwriter::record_bytes(desc) + c.cut_into_last;
    const auto bytes = build(desc);
    const auto reader = reader_for(c.format);
    ASSERT_EQ(reader->OpenByteSource(std::make_unique<MemoryByteSource>(bytes)), 0);
    EXPECT_EQ(reader->RecordCount(), c.count) << c.what;
    ASSERT_EQ(reader->SeekRecords(3, 0), 3);
    double values[12];
    std::int16_t errors[kErrorPlaces];
    EXPECT_FALSE(reader->ReadRecord(nullptr, values, errors, nullptr)) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cuts, MeterShortRecord,
                         ::testing::Values(CutCase{"inside the time", Format::Meter, 0x3000, 5, 3},
                                           CutCase{"right after the time", Format::Meter, 0x3000, 8, 4},
                                           CutCase{"after the time, no error words", Format::Meter, 0, 8, 4},
                                           CutCase{"before the record word", Format::CompactMeter, 0x2000, 8 + 24, 3},
                                           CutCase{"compact without record word", Format::CompactMeter, 0x1000, 12, 4}),
                         testing::NameFromWhat{});

class MeterSeeks : public ::testing::TestWithParam<SeekCase> {};

// Offset 40: data start 138; five 32-byte records (8 + 3 x 8 + 0) and seven
// bytes of junk, so the end index is 5.
constexpr std::int64_t kStart = 138, kSize = 32;

TEST_P(MeterSeeks, MoveByWholeRecordsAndAnswerTheCountAskedFor) {
    const SeekCase& c = GetParam();
    LogDescription desc = meter_log(0, 5, Format::Meter, 40);
    desc.trailing_bytes = "1234567";
    const auto bytes = build(desc);
    WatchedSource src(bytes);
    MeterLogReader reader(40);
    ASSERT_EQ(reader.OpenByteSource(std::move(src.owned)), 0);
    ASSERT_EQ(reader.RecordSize(), kSize);
    ASSERT_EQ(reader.end_index(), 5);
    ASSERT_TRUE(src.watch->seek(c.start, SeekOrigin::Begin));
    EXPECT_EQ(reader.SeekRecords(c.n, c.whence), c.result);
    EXPECT_EQ(src.watch->tell(), c.position);
}

INSTANTIATE_TEST_SUITE_P(
    Origins, MeterSeeks,
    ::testing::Values(SeekCase{3, 0, 0, 3, kStart + 3 * kSize}, SeekCase{0, 0, 7, 0, kStart},
                      SeekCase{9, 0, 0, 9, kStart + 9 * kSize},  // more than the log holds
                      SeekCase{-2, 0, 0, -2, kStart - 2 * kSize},  // into the header
                      SeekCase{-9, 0, 0, -9, kStart},              // before the file: stays at the start
                      SeekCase{0, 1, kStart + kSize, 0, kStart + kSize},
                      SeekCase{2, 1, kStart + kSize, 2, kStart + 3 * kSize},
                      SeekCase{-1, 1, kStart + kSize, -1, kStart},
                      SeekCase{0, 2, 0, 0, kStart + 5 * kSize},
                      SeekCase{1, 2, 0, 1, kStart + 4 * kSize},  // from the end a positive n steps back
                      SeekCase{-1, 2, 0, -1, kStart + 6 * kSize}, SeekCase{1, 5, 99, 0, 99}));

TEST(MeterLogReader, SeekingFarDoesNotOverflow) {
    const auto bytes = build(meter_log(0x3000, 2));
    WatchedSource src(bytes);
    MeterLogReader reader(0);
    ASSERT_EQ(reader.OpenByteSource(std::move(src.owned)), 0);
    EXPECT_EQ(reader.SeekRecords(std::numeric_limits<std::int32_t>::max(), 0), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(src.watch->tell(), 98 + std::int64_t{std::numeric_limits<std::int32_t>::max()} * reader.RecordSize());
    EXPECT_FALSE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
}

}  // namespace
}  // namespace corvex::formats
