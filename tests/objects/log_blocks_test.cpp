// ILogBlocks.ReadRecords against the object model: for every reference log, its
// cut and damaged forms, large logs whose runs span many reads, and the samples,
// every run equals Item + LogRecord.Item + the units' Value, Error and Time bit
// for bit, stops where Item stops, and leaves the read position where the same
// Items would.
#include <bit>
#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "objects_test_support.h"
#include "tests/support/scratch_dir.h"
#include "tools/logwriter/log_cases.h"

namespace corvex::objects::testing {
namespace {

// What a run delivered, as the caller's arrays hold it.
struct RunSeen {
    HRESULT status = E_FAIL;
    std::int32_t delivered = 0;
    std::vector<double> times, values;
    std::vector<std::int16_t> errors;
};

constexpr std::uint64_t kUntouchedValue = 0x7FF8'DEAD'BEEF'0001;  // a NaN no log in the table holds
constexpr std::int16_t kUntouchedError = 0x5A5A;

std::int32_t units_of(ILog* log) {
    ComPtr<ILogInfo> info;
    std::int32_t units = 0;
    if (log->GetLogInfo(info.put()) == S_OK) {
        EXPECT_EQ(info->get_Count(&units), S_OK);
    }
    return units;
}

// What Item(r) gives on one log, each asked once: Item seeks to its record
// itself, so its answer does not depend on where the read position stood.
class ItemAnswers {
public:
    ItemAnswers(ILog* log, std::int32_t units) : log_(log), units_(units) {}

    // Item(first), Item(first + 1), ... until count or the first null record.
    RunSeen run(std::int32_t first, std::int32_t count) {
        RunSeen run;
        for (std::int32_t r = first; r - first < count; ++r) {
            const std::optional<RunSeen>& one = item(r);
            if (!one) break;
            run.times.push_back(one->times[0]);
            run.values.insert(run.values.end(), one->values.begin(), one->values.end());
            run.errors.insert(run.errors.end(), one->errors.begin(), one->errors.end());
            ++run.delivered;
        }
        run.status = run.delivered == count ? S_OK : S_FALSE;
        return run;
    }

private:
    const std::optional<RunSeen>& item(std::int32_t r) {
        auto found = seen_.find(r);
        if (found != seen_.end()) return found->second;
        std::optional<RunSeen>& one = seen_[r];
        ComPtr<ILogRecord> record;
        EXPECT_EQ(log_->get_Item(r, record.put()), S_OK);
        if (!record) return one;
        const std::vector<UnitSeen> units = read_record(record.get());
        EXPECT_EQ(static_cast<std::int32_t>(units.size()), units_);
        one.emplace();
        // With no units the record's time cannot be seen; the run's is compared against a 0.
        one->times.push_back(units.empty() ? 0.0 : units[0].time);
        for (const UnitSeen& u : units) {
            EXPECT_EQ(std::bit_cast<std::uint64_t>(u.time), std::bit_cast<std::uint64_t>(units[0].time));
            EXPECT_EQ(u.vt, VT_R8);
            one->values.push_back(u.value);
            one->errors.push_back(u.error);
        }
        return one;
    }

    ILog* log_;
    std::int32_t units_;
    std::map<std::int32_t, std::optional<RunSeen>> seen_;
};

// ReadRecords into arrays prefilled with marks; `skip` (0 to 3) passes no times,
// no values or no errors, which must then stay untouched, as must every place
// past the records delivered.
RunSeen block_run(ILog* log, std::int32_t first, std::int32_t count, std::int32_t units, int skip) {
    auto blocks = ComPtr<ILog>(log).query<ILogBlocks>();
    EXPECT_TRUE(blocks);
    const auto n = static_cast<std::size_t>(count);
    const auto u = static_cast<std::size_t>(units);
    std::vector<double> times(n, std::bit_cast<double>(kUntouchedValue));
    std::vector<double> values(n * u, std::bit_cast<double>(kUntouchedValue));
    std::vector<std::int16_t> errors(n * u, kUntouchedError);
    RunSeen run;
    run.delivered = -1;
    run.status = blocks->ReadRecords(first, count, skip == 1 ? nullptr : times.data(),
                                     skip == 2 ? nullptr : values.data(), skip == 3 ? nullptr : errors.data(),
                                     &run.delivered);
    const auto delivered = static_cast<std::size_t>(std::max(run.delivered, 0));
    const auto untouched_from = [&](std::size_t per_record, int part) { return skip == part ? 0 : delivered * per_record; };
    for (std::size_t i = untouched_from(1, 1); i < times.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(times[i]), kUntouchedValue) << "time " << i;
    for (std::size_t i = untouched_from(u, 2); i < values.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(values[i]), kUntouchedValue) << "value " << i;
    for (std::size_t i = untouched_from(u, 3); i < errors.size(); ++i) EXPECT_EQ(errors[i], kUntouchedError) << "error " << i;
    run.times.assign(times.begin(), times.begin() + static_cast<std::ptrdiff_t>(delivered));
    run.values.assign(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(delivered * u));
    run.errors.assign(errors.begin(), errors.begin() + static_cast<std::ptrdiff_t>(delivered * u));
    if (skip == 1 || units == 0) run.times.assign(delivered, 0.0);
    return run;
}

template <class T>
bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0);
}

// The next two records GetNextRecord gives, as bits: where the read position stands.
std::vector<std::uint64_t> next_two(ILog* log) {
    std::vector<std::uint64_t> bits;
    for (int i = 0; i < 2; ++i) {
        ComPtr<ILogRecord> record;
        EXPECT_EQ(log->GetNextRecord(record.put()), S_OK);
        bits.push_back(record ? 1 : 0);
        if (!record) continue;
        for (const UnitSeen& u : read_record(record.get())) {
            bits.push_back(std::bit_cast<std::uint64_t>(u.value));
            bits.push_back(std::bit_cast<std::uint64_t>(u.time));
            bits.push_back(static_cast<std::uint16_t>(u.error));
        }
    }
    return bits;
}

// One log file of the table, and how many records it holds at most.
struct TableLog {
    std::string name;
    std::string bytes;
    std::int32_t records = 0;  // -1: one more than the log's Count
};

int meter_width(std::uint8_t type_code) { return type_code == 2 ? 2 : type_code == 5 ? 8 : 4; }

// Writes NaNs with payloads over the first two values of record 0, in the
// file's own byte order and width; in a PC log also gives entry 0 of each
// record a time of its own (the record's time is its last entry's).
std::string damaged(const lw::LogDescription& desc, std::string bytes) {
    const bool pc = desc.format == lw::Format::Pc;
    const std::size_t start = lw::data_start(desc);
    const int w = pc ? 8 : meter_width(desc.type_code);
    const bool detailed = (desc.error_flags & 0x1000) != 0;
    const std::size_t stride = pc ? 18 : static_cast<std::size_t>(w + (detailed ? 2 : 0));
    const auto put = [&](std::size_t at, std::uint64_t v, int width) {
        for (int b = 0; b < width && at + static_cast<std::size_t>(width) <= bytes.size(); ++b)
            bytes[at + static_cast<std::size_t>(b)] = static_cast<char>((v >> (8 * (pc ? b : width - 1 - b))) & 0xFF);
    };
    const std::uint64_t nans[] = {0x7FF0'0000'0000'0001, 0xFFF4'0000'00C0'FFEE};  // signalling; negative quiet
    const std::uint64_t float_nans[] = {0x7F80'0001, 0xFFC0'1234};
    for (std::size_t k = 0; k < 2; ++k) put(start + 8 + k * stride, w == 8 ? nans[k] : float_nans[k], w);
    if (pc)
        for (std::size_t at = start; at + 216 <= bytes.size(); at += 216) put(at, std::bit_cast<std::uint64_t>(1.0 + at), 8);
    return bytes;
}

lw::LogDescription large_log(lw::Format format, std::uint8_t type_code, std::int16_t flags, int records) {
    lw::LogDescription desc;
    desc.format = format;
    desc.type_code = type_code;
    desc.error_flags = flags;
    for (std::int16_t k = 0; k < 12; ++k) {
        lw::Channel c = meter_channel(k, static_cast<std::int16_t>(577 + k), k);
        c.label = "Flow";
        desc.channels.push_back(c);
    }
    for (int r = 0; r < records; ++r) {
        lw::Record rec;
        rec.time = 45000 + r / 1440.0;
        for (int k = 0; k < 12; ++k) {
            rec.values.push_back(value_of(r, k) / 4);
            rec.errors.push_back(static_cast<std::int16_t>(r * 12 + k));
        }
        rec.record_error = static_cast<std::int16_t>(-r);
        desc.records.push_back(rec);
    }
    return desc;
}

std::vector<TableLog> table_logs() {
    std::vector<TableLog> logs;
    const auto add = [&](std::string name, const lw::LogDescription& desc) {
        const std::string bytes = lw::build_log(desc);
        const auto records = static_cast<std::int32_t>(desc.records.size()) + 1;
        logs.push_back({name, bytes, records});
        if (desc.format == lw::Format::Converted) return;
        logs.push_back({name + "+damaged", damaged(desc, bytes), records});
        // Cut inside the last records: the last one byte short, with its time
        // only, with its time cut short; the one before one byte short, with
        // its time and one byte more.
        const std::size_t size = lw::record_bytes(desc);
        for (const std::size_t less : {std::size_t{1}, size - 8, size - 5, size + 1, 2 * size - 9})
            if (less < bytes.size() - lw::data_start(desc))
                logs.push_back({name + "-" + std::to_string(less), bytes.substr(0, bytes.size() - less), records});
    };
    for (const lw::LogCase& c : lw::reference_log_cases()) {
        add(c.name, c.desc);
        if (c.desc.format == lw::Format::Meter || c.desc.format == lw::Format::CompactMeter) {
            lw::LogDescription first_ends = c.desc;
            first_ends.records[0].time = 0.0;  // an end mark first, records after it
            add(c.name + "+end_first", first_ends);
            lw::LogDescription negative_zero = c.desc;
            negative_zero.records[1].time = -0.0;
            add(c.name + "+negative_zero_time", negative_zero);
        }
    }
    // Runs that span many reads, ending on and around where one read ends.
    add("large_pc", large_log(lw::Format::Pc, 5, 0, 2500));
    lw::LogDescription meter = large_log(lw::Format::Meter, 5, 0x1000, 4100);
    meter.records[2048].time = 0.0;  // 262,144 / 128 bytes: the first record of the second read
    meter.records[4000].time = 0.0;
    add("large_meter", meter);
    lw::LogDescription compact = large_log(lw::Format::CompactMeter, 4, 0x2000, 6000);
    compact.truncate_to = lw::build_log(compact).size() - 3;
    add("large_compact_cut", compact);
    add("large_meter_int16_both", large_log(lw::Format::Meter, 2, 0x3000, 3000));
    for (const char* sample : {"pc_flow.log", "meter_flow.log", "compact_flow.log"}) {
        const std::string bytes = corvex::testing::read_file(std::filesystem::path(CORVEX_SOURCE_DIR) / "samples" / sample);
        logs.push_back({sample, bytes, -1});
    }
    return logs;
}

// Every start of a small log; around the edges and the reads of a large one.
std::vector<std::int32_t> starts_of(std::int32_t records) {
    std::vector<std::int32_t> starts;
    if (records <= 16) {
        for (std::int32_t s = 0; s <= records + 1; ++s) starts.push_back(s);
        return starts;
    }
    for (const std::int32_t s : {0, 1, 5, 1213, 2047, 2049, records / 2, records - 64, records - 7, records - 1, records})
        if (s >= 0 && s <= records) starts.push_back(s);
    return starts;
}

TEST_F(ObjectsTest, ReadRecordsEqualsItemForEverySplitOfEveryLog) {
    int runs = 0;
    for (const TableLog& t : table_logs()) {
        SCOPED_TRACE(t.name);
        const auto path = write_bytes("table.log", t.bytes);
        auto by_items = new_log();
        auto by_blocks = new_log();
        if (open(by_items.get(), path) != 0) {
            ASSERT_NE(open(by_blocks.get(), path), 0);
            EXPECT_EQ(block_run(by_blocks.get(), 0, 4, 0, 0).status, S_FALSE);
            continue;
        }
        ASSERT_EQ(open(by_blocks.get(), path), 0);
        const std::int32_t units = units_of(by_items.get());
        ItemAnswers items(by_items.get(), units);
        std::int32_t records = t.records;
        if (records < 0) {
            ASSERT_EQ(by_items->get_Count(&records), S_OK);
            ++records;
        }
        for (const std::int32_t first : starts_of(records)) {
            for (const std::int32_t count : {0, 1, 7, 64, records - first, records - first + 1, records + 5}) {
                if (count < 0) continue;
                SCOPED_TRACE("first " + std::to_string(first) + " count " + std::to_string(count));
                const int skip = runs++ % 4;
                const RunSeen want = items.run(first, count);
                const RunSeen got = block_run(by_blocks.get(), first, count, units, skip);
                ASSERT_EQ(got.status, want.status);
                ASSERT_EQ(got.delivered, want.delivered);
                EXPECT_TRUE(skip == 1 || same_bits(got.times, want.times));
                EXPECT_TRUE(skip == 2 || same_bits(got.values, want.values));
                EXPECT_TRUE(skip == 3 || same_bits(got.errors, want.errors));
                // Of the same Items only the last one (the null one, if any)
                // decides the position, since each seeks first. Count 0 moves
                // nothing: both logs still stand where the last check left them.
                if (count > 0) {
                    ComPtr<ILogRecord> last;
                    EXPECT_EQ(by_items->get_Item(first + std::min(want.delivered, count - 1), last.put()), S_OK);
                }
                ASSERT_EQ(next_two(by_blocks.get()), next_two(by_items.get()));
            }
        }
    }
    EXPECT_GT(runs, 1000);
}

// What ReadRecords answers besides runs: statuses, null arguments, no log.
TEST_F(ObjectsTest, ReadRecordsStatusesAndArguments) {
    auto log = new_log();
    auto blocks = log.query<ILogBlocks>();
    ASSERT_TRUE(blocks);
    double times[4];
    double values[4 * 3];
    std::int16_t errors[4 * 3];
    struct Case {
        const char* what;
        std::int32_t first, count;
        bool delivered_place;
        HRESULT status;
        std::int32_t delivered;
    };
    const auto check = [&](const Case& c) {
        SCOPED_TRACE(c.what);
        std::int32_t delivered = -7;
        EXPECT_EQ(blocks->ReadRecords(c.first, c.count, times, values, errors, c.delivered_place ? &delivered : nullptr),
                  c.status);
        if (c.delivered_place) {
            EXPECT_EQ(delivered, c.delivered);
        }
    };
    const Case no_log[] = {
        {"no log", 0, 2, true, S_FALSE, 0},
        {"no log, no place for the count", 0, 2, false, E_POINTER, 0},
        {"no log, negative first", -1, 2, true, E_INVALIDARG, 0},
    };
    for (const Case& c : no_log) check(c);
    EXPECT_EQ(open(log.get(), write_bytes("not_a_log.log", std::string(2000, 'x'))), -1);
    check(no_log[0]);

    ASSERT_EQ(open(log.get(), write("pc.log", pc_desc(4))), 0);
    const Case open_log[] = {
        {"all four", 0, 4, true, S_OK, 4},
        {"one past the last", 1, 4, true, S_FALSE, 3},
        {"count 0", 2, 0, true, S_OK, 0},
        {"count 0 past the end", 9, 0, true, S_OK, 0},
        {"past the end", 4, 1, true, S_FALSE, 0},
        {"no place for the count", 0, 1, false, E_POINTER, 0},
        {"negative first", -1, 1, true, E_INVALIDARG, 0},
        {"negative count", 0, -1, true, E_INVALIDARG, 0},
        {"beyond the largest index Item can name", INT_MAX, 4, true, S_FALSE, 0},
    };
    for (const Case& c : open_log) check(c);

    // Without any array the records are counted all the same.
    std::int32_t delivered = 0;
    EXPECT_EQ(blocks->ReadRecords(1, 3, nullptr, nullptr, nullptr, &delivered), S_OK);
    EXPECT_EQ(delivered, 3);
}

}  // namespace
}  // namespace corvex::objects::testing
