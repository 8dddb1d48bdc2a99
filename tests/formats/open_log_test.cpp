// Recognition, open_log and explain_rejection over whole files: the table of
// reference logs read back field by field, recognition at each boundary, and
// every valid file cut at every byte.
#include "logmodule/formats/open_log.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_logs.h"
#include "tools/logwriter/log_cases.h"

namespace corvex::logwriter {
void PrintTo(const LogCase& c, std::ostream* os) { *os << c.name; }
}  // namespace corvex::logwriter

namespace corvex::formats {
namespace {

using logwriter::Format;
using logwriter::LogDescription;
using testing::build;

// What a meter value of `type_code` holds after it was stored at its width.
double stored(std::uint8_t type_code, double v) {
    if (type_code == 2 || type_code == 3) return std::nearbyint(v);
    if (type_code == 5) return v;
    return static_cast<double>(static_cast<float>(v));
}

// Records the reader should count: a PC log counts one fewer than it holds
// when it ends on a record boundary; a meter log ends at a zero time or at a
// time that cannot be read whole (a compact log with record error words also
// needs that word).
std::int32_t expected_count(const LogDescription& desc, std::size_t file_length) {
    if (desc.format == Format::Pc) return static_cast<std::int32_t>((file_length - 1056) / 216);
    const std::size_t start = logwriter::data_start(desc);
    const std::size_t size = logwriter::record_bytes(desc);
    const bool needs_word = desc.format == Format::CompactMeter && (desc.error_flags & 0x2000) != 0;
    std::int32_t n = 0;
    for (std::size_t i = 0; i < desc.records.size() && desc.records[i].time != 0.0; ++i) {
        const std::size_t record_start = start + i * size;
        if (record_start + 8 > file_length || (needs_word && record_start + size > file_length)) break;
        ++n;
    }
    return n;
}

class ReferenceLogs : public ::testing::TestWithParam<logwriter::LogCase> {};

TEST_P(ReferenceLogs, ReadBackFieldByField) {
    const logwriter::LogCase& c = GetParam();
    const LogDescription& desc = c.desc;
    const auto bytes = build(desc);
    auto opened = open_log_bytes(bytes);
    ASSERT_EQ(opened.has_value(), c.readable) << explain_rejection_bytes(bytes);
    EXPECT_EQ(explain_rejection_bytes(bytes).empty(), c.readable);
    if (!c.readable) {
        EXPECT_EQ(opened.error(), OpenError::Rejected);
        return;
    }
    EXPECT_EQ(opened->format->key, desc.format == Format::Meter          ? "meter"
                                   : desc.format == Format::CompactMeter ? "compact_meter"
                                                                         : "pc");
    EXPECT_EQ(opened->header_offset, desc.format == Format::Meter ? desc.header_offset : 0);

    const CommonHeader& h = opened->header.common;
    EXPECT_EQ(h.cyclic_flags, desc.cyclic_flags);
    EXPECT_EQ(h.error_flags, desc.error_flags);
    EXPECT_EQ(h.start_time, desc.start_time);
    EXPECT_EQ(h.end_time, desc.end_time);
    EXPECT_EQ(h.interval, desc.interval);

    LogReader& reader = *opened->reader;
    const std::int32_t count = expected_count(desc, bytes.size());
    EXPECT_EQ(reader.RecordCount(), count);
    EXPECT_EQ(reader.RecordSize(), logwriter::record_bytes(desc));

    const bool pc = desc.format == Format::Pc;
    const int slots = pc ? 12 : logwriter::record_value_slots(desc);
    const std::uint8_t code = desc.type_code;
    const bool detailed = (desc.error_flags & kDetailedErrors) != 0;
    const bool basic = (desc.error_flags & kBasicErrors) != 0;
    for (std::int32_t r = 0; r < count; ++r) {
        const logwriter::Record& want = desc.records[static_cast<std::size_t>(r)];
        double t = 0;
        std::uint8_t values[12 * 8];
        std::int16_t errors[kErrorPlaces];
        ASSERT_TRUE(reader.ReadRecord(&t, values, errors, nullptr)) << r;
        EXPECT_EQ(t, want.time);
        for (int k = 0; k < slots; ++k) {
            const auto ku = static_cast<std::size_t>(k);
            const ValueEncoding e = opened->header.values;
            EXPECT_EQ(e, pc ? ValueEncoding::Double : meter_value_encoding(code));
            const double v = widen(e, values + encoded_width(e) * k);
            EXPECT_EQ(v, pc ? want.values[ku] : stored(code, want.values[ku])) << "record " << r << " slot " << k;
            if (pc || detailed) {
                EXPECT_EQ(errors[k], want.errors[ku]) << "record " << r << " slot " << k;
            }
            if (!pc && basic) {
                EXPECT_EQ(errors[detailed ? slots + k : k], want.record_error) << "record " << r;
            }
        }
    }
    if (!pc) {
        EXPECT_FALSE(reader.ReadRecord(nullptr, nullptr, nullptr, nullptr));
    }

    // The first record again, from each origin.
    ASSERT_TRUE(reader.Rewind());
    if (count > 0) {
        double t = 0;
        ASSERT_TRUE(reader.SeekLast());
        ASSERT_TRUE(reader.ReadRecord(&t, nullptr, nullptr, nullptr));
        EXPECT_EQ(t, desc.records[static_cast<std::size_t>(count - 1)].time);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ReferenceLogs, ::testing::ValuesIn(logwriter::reference_log_cases()),
                         [](const auto& row) { return row.param.name; });

// Every valid file cut at every byte: a clean verdict, consistent with its
// explanation, and every read of a cut file ends without fault.
TEST(OpenLog, EveryPrefixOfEveryReferenceLogIsHandledCleanly) {
    for (const logwriter::LogCase& c : logwriter::reference_log_cases()) {
        const std::string whole = logwriter::build_log(c.desc);
        for (std::size_t length = 0; length <= whole.size(); ++length) {
            // An exact-size heap copy, so the sanitizers see any read past it.
            const std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(length));
            auto opened = open_log_bytes(cut);
            ASSERT_EQ(explain_rejection_bytes(cut).empty(), opened.has_value()) << c.name << " cut at " << length;
            if (!opened) continue;
            LogReader& reader = *opened->reader;
            const std::int32_t count = reader.RecordCount();
            ASSERT_GE(count, 0);
            std::uint8_t values[12 * 8];
            std::int16_t errors[kErrorPlaces];
            for (std::int32_t r = 0; r <= count; ++r) reader.ReadRecord(nullptr, values, errors, nullptr);
            reader.SeekRecords(-1, 2);
            reader.ReadRecord(nullptr, values, errors, nullptr);
            reader.SeekLast();
            reader.ReadRecord(nullptr, values, errors, nullptr);
        }
    }
}

struct RecognitionCase {
    const char* what;
    friend void PrintTo(const RecognitionCase& c, std::ostream* os) { *os << c.what; }
    std::vector<std::pair<std::size_t, std::uint8_t>> bytes;  // bytes set in a file of `length` zeros
    std::size_t length;
    std::string_view format;  // its key
    std::int32_t offset;
};

class Recognise : public ::testing::TestWithParam<RecognitionCase> {};

TEST_P(Recognise, FirstMatchingStepWins) {
    const RecognitionCase& c = GetParam();
    std::vector<std::uint8_t> file(c.length, 0);
    for (auto [at, value] : c.bytes) file[at] = value;
    MemoryByteSource probe(file);
    const Recognition found = recognise_log(probe);
    ASSERT_NE(found.format, nullptr) << c.what;
    EXPECT_EQ(found.format->key, c.format) << c.what;
    EXPECT_EQ(found.header_offset, c.offset) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Steps, Recognise,
    ::testing::Values(
        RecognitionCase{"compact, type code 24", {{0, 0xA5}, {1, 24}}, 200, "compact_meter", 0},
        RecognitionCase{"type code 25 is no compact log", {{0, 0xA5}, {1, 25}}, 200, "pc", 0},
        RecognitionCase{"type code 25, then a meter signature", {{0, 0xA5}, {1, 25}, {2, 0xA6}}, 200, "meter", 0},
        RecognitionCase{"a meter log at 0 whose first bytes look compact", {{0, 0xA5}, {1, 5}, {2, 0xA6}}, 200,
                        "compact_meter", 0},
        RecognitionCase{"a PC log whose cyclic flags' low byte is 0xA6", {{0, 0xA5}, {1, 0x5A}, {2, 0xA6}}, 2000,
                        "meter", 0},
        RecognitionCase{"a plain PC signature", {{0, 0xA5}, {1, 0x5A}}, 2000, "pc", 0},
        RecognitionCase{"meter at 68", {{70, 0xA6}}, 300, "meter", 68},
        RecognitionCase{"meter at 40", {{42, 0xA6}}, 300, "meter", 40},
        RecognitionCase{"68 is tried before 40", {{42, 0xA6}, {70, 0xA6}}, 300, "meter", 68},
        RecognitionCase{"a signature in the last byte of a short file", {{70, 0xA6}}, 71, "meter", 68},
        RecognitionCase{"compact signature in a two-byte file", {{0, 0xA5}, {1, 3}}, 2, "compact_meter", 0},
        RecognitionCase{"one byte", {{0, 0xA5}}, 1, "compact_meter", 0},
        RecognitionCase{"empty file", {}, 0, "pc", 0}), testing::NameFromWhat{});

struct VerdictCase {
    const char* what;
    friend void PrintTo(const VerdictCase& c, std::ostream* os) { *os << c.what; }
    LogDescription desc;
    bool opens;
    std::string_view format;  // its key
    const char* reason;  // part of explain_rejection's line
};

LogDescription small(Format f, std::int32_t offset = 0) {
    LogDescription s;
    s.format = f;
    s.header_offset = offset;
    s.channels.resize(2);
    s.channels[0].unit_type = 577;
    s.channels[1].unit_type = 711;
    s.records.resize(3, logwriter::Record{45000.5, {1.0, 2.0}, {}, 0});
    return s;
}

LogDescription with(LogDescription s, auto change) {
    change(s);
    return s;
}

class Verdicts : public ::testing::TestWithParam<VerdictCase> {};

TEST_P(Verdicts, OpenAndExplainAgree) {
    const VerdictCase& c = GetParam();
    const auto bytes = build(c.desc);
    auto opened = open_log_bytes(bytes);
    ASSERT_EQ(opened.has_value(), c.opens) << c.what;
    const std::string why = explain_rejection_bytes(bytes);
    if (c.opens) {
        EXPECT_EQ(opened->format->key, c.format) << c.what;
        EXPECT_EQ(why, "") << c.what;
    } else {
        EXPECT_EQ(opened.error(), OpenError::Rejected);
        EXPECT_NE(why.find(c.reason), std::string::npos) << c.what << ": " << why;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Verdicts,
    ::testing::Values(
        VerdictCase{"PC log, 1,200 bytes", with(small(Format::Pc), [](LogDescription& s) { s.truncate_to = 1200; }), false,
                    "pc", "PC log (first bytes A5 5A): file is 1200 bytes, a PC log needs at least 1272"},
        VerdictCase{"converted log", small(Format::Converted), false, "pc", "0x5BB5, the converted log's"},
        VerdictCase{"PC log with a cyclic flags low byte 0xA6",
                    with(small(Format::Pc), [](LogDescription& s) { s.cyclic_flags = 0x00A6; }), true, "meter", ""},
        VerdictCase{"meter log at 0, first bytes look compact",
                    with(small(Format::Meter), [](LogDescription& s) { s.preamble = "\xA5\x07"; }), true,
                    "compact_meter", ""},
        VerdictCase{"compact log of 50 bytes", with(small(Format::CompactMeter), [](LogDescription& s) { s.truncate_to = 50; }),
                    false, "compact_meter", "compact meter log (first bytes A5 05): file is 50 bytes"},
        VerdictCase{"meter log at 68 cut inside its header",
                    with(small(Format::Meter, 68), [](LogDescription& s) { s.truncate_to = 100; }), false, "meter",
                    "meter log at header offset 68: file is 100 bytes, the 98-byte header ends at offset 166"},
        VerdictCase{"meter log at 40", small(Format::Meter, 40), true, "meter", ""}), testing::NameFromWhat{});

TEST(OpenLog, ATextFileIsRejectedWithItsFirstBytes) {
    const std::vector<std::uint8_t> text(3000, 'x');
    EXPECT_FALSE(open_log_bytes(text));
    EXPECT_NE(explain_rejection_bytes(text).find("PC log (first bytes 78 78): signature at offset 0 is 0x7878, expected 0x5AA5"),
              std::string::npos)
        << explain_rejection_bytes(text);
    EXPECT_NE(explain_rejection_bytes({}).find("PC log (an empty file): file is 0 bytes"), std::string::npos);
}

}  // namespace
}  // namespace corvex::formats
