// The plot's envelopes against a scan of every value, on random data with
// non-finite values, spikes and error words; block-wise builds, cancelling,
// and the mapping of times to pixel columns.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <stop_token>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "viewer/data/envelope_pyramid.h"
#include "viewer/data/log_envelopes.h"
#include "viewer/data/timeline.h"

namespace corvex::viewer::data {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

struct UnitData {
    std::vector<double> values;
    std::vector<std::int16_t> errors;
};

// A random walk with runs of NaN, infinities, single spikes and error words.
UnitData random_unit(std::size_t n, std::mt19937_64& rng) {
    UnitData d;
    std::uniform_real_distribution<double> step(-1.0, 1.0);
    std::uniform_int_distribution<int> pick(0, 999);
    double level = 0;
    for (std::size_t i = 0; i < n; ++i) {
        level += step(rng);
        const int p = pick(rng);
        double v = level;
        if (p < 20) v = kNaN;
        else if (p < 25) v = kInf;
        else if (p < 30) v = -kInf;
        else if (p < 33) v = level + 1e6 * step(rng);  // a spike
        else if (p < 35) v = (p & 1) ? 0.0 : -0.0;
        d.values.push_back(v);
        d.errors.push_back(pick(rng) < 3 ? static_cast<std::int16_t>(1 + pick(rng)) : std::int16_t{0});
    }
    // A long stretch without a finite value, crossing bucket borders.
    if (n > 3000) std::fill(d.values.begin() + 1000, d.values.begin() + 2900, kNaN);
    return d;
}

// A range [first, last) of records up to n.
std::pair<std::size_t, std::size_t> random_range(std::size_t n, std::mt19937_64& rng) {
    std::uniform_int_distribution<std::size_t> pos(0, n);
    const std::size_t a = pos(rng), b = pos(rng);
    return std::minmax(a, b);
}

Envelope scan(const UnitData& d, std::size_t first, std::size_t last) {
    Envelope e;
    for (std::size_t i = first; i < last; ++i) {
        if (std::isfinite(d.values[i])) {
            e.min = std::min(e.min, d.values[i]);
            e.max = std::max(e.max, d.values[i]);
        }
        e.error = e.error || d.errors[i] != 0;
    }
    return e;
}

void expect_same(const Envelope& got, const Envelope& want, std::size_t first, std::size_t last) {
    ASSERT_EQ(got.has_value(), want.has_value()) << "records " << first << ".." << last;
    if (want.has_value()) {
        ASSERT_EQ(got.min, want.min) << "records " << first << ".." << last;
        ASSERT_EQ(got.max, want.max) << "records " << first << ".." << last;
    }
    ASSERT_EQ(got.error, want.error) << "records " << first << ".." << last;
}

EnvelopePyramid build(const UnitData& d, unsigned fan_out, std::mt19937_64* blocks_from = nullptr) {
    auto pyramid = EnvelopePyramid::create(d.values.size(), fan_out);
    EXPECT_TRUE(pyramid.has_value());
    std::size_t at = 0;
    std::uniform_int_distribution<std::size_t> block(1, 700);
    while (at < d.values.size()) {
        const std::size_t n = blocks_from ? std::min(block(*blocks_from), d.values.size() - at) : d.values.size();
        EXPECT_EQ(pyramid->append(std::span(d.values).subspan(at, n), std::span(d.errors).subspan(at, n)), n);
        at += n;
    }
    return std::move(pyramid).value();
}

TEST(EnvelopePyramid, EveryRangeAndColumnSplitEqualsAScan) {
    std::mt19937_64 rng(20240611);
    for (const unsigned fan_out : {2u, 16u, 256u}) {
        for (const std::size_t n : {std::size_t{0}, std::size_t{1}, std::size_t{37}, std::size_t{4096},
                                    std::size_t{70001}}) {
            SCOPED_TRACE(testing::Message() << "fan-out " << fan_out << ", " << n << " records");
            const UnitData d = random_unit(n, rng);
            // Built in one block (fan-out 16) or in blocks of random sizes.
            const EnvelopePyramid pyramid = build(d, fan_out, fan_out == 16 ? nullptr : &rng);
            // Single ranges of every length scale.
            for (int i = 0; i < 300; ++i) {
                const auto [a, b] = random_range(n, rng);
                expect_same(pyramid.envelope(a, b), scan(d, a, b), a, b);
            }
            // A visible range split into pixel columns, narrow and wide.
            for (int i = 0; i < 20 && n > 0; ++i) {
                const auto [a, b] = random_range(n, rng);
                const std::size_t width = std::uniform_int_distribution<std::size_t>(1, 2500)(rng);
                std::vector<std::size_t> bounds(width + 1);
                for (std::size_t c = 0; c <= width; ++c) bounds[c] = a + (b - a) * c / width;
                std::vector<Envelope> columns(width);
                pyramid.envelopes(bounds, columns);
                for (std::size_t c = 0; c < width; ++c) {
                    expect_same(columns[c], scan(d, bounds[c], bounds[c + 1]), bounds[c], bounds[c + 1]);
                }
            }
            // Each record keeps its value and whether it has an error word.
            for (std::size_t r = 0; r < n; r += 97) {
                EXPECT_EQ(std::isnan(pyramid.value(r)), std::isnan(d.values[r]));
                if (!std::isnan(d.values[r])) {
                    EXPECT_EQ(pyramid.value(r), d.values[r]);
                }
                EXPECT_EQ(pyramid.error(r), d.errors[r] != 0);
            }
        }
    }
}

TEST(EnvelopePyramid, RefusesBadFanOutsAndTakesNoMoreThanItsRoom) {
    for (const unsigned bad : {0u, 1u, 3u, 24u, 512u}) EXPECT_FALSE(EnvelopePyramid::create(10, bad).has_value());
    auto pyramid = EnvelopePyramid::create(5, 2);
    ASSERT_TRUE(pyramid.has_value());
    const std::vector<double> values{1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(pyramid->append(values, {}), 5u);
    EXPECT_EQ(pyramid->append(values, {}), 0u);
    const Envelope e = pyramid->envelope(0, 5);
    EXPECT_EQ(e.min, 1);
    EXPECT_EQ(e.max, 5);
    EXPECT_FALSE(e.error);
}

// A log of `n` records of two units; times one second apart.
struct TestLog {
    std::vector<double> times;
    std::vector<UnitData> units;
};

TestLog random_log(std::size_t n, std::mt19937_64& rng) {
    TestLog log;
    for (std::size_t i = 0; i < n; ++i) log.times.push_back(45000.0 + static_cast<double>(i) / 86400.0);
    log.units = {random_unit(n, rng), random_unit(n, rng)};
    return log;
}

// Hands out `log` in blocks of `block_size` records.
BlockReader reader_of(const TestLog& log, std::size_t block_size, std::size_t& reads) {
    return [&log, block_size, &reads, at = std::size_t{0}](RecordBlock& block) mutable -> Expected<bool, std::string> {
        ++reads;
        if (at >= log.times.size()) return false;
        const std::size_t n = std::min(block_size, log.times.size() - at);
        block.times.assign(log.times.begin() + at, log.times.begin() + at + n);
        for (std::size_t u = 0; u < log.units.size(); ++u) {
            block.values[u].assign(log.units[u].values.begin() + at, log.units[u].values.begin() + at + n);
            block.errors[u].assign(log.units[u].errors.begin() + at, log.units[u].errors.begin() + at + n);
        }
        at += n;
        return true;
    };
}

void expect_matches(const LogEnvelopes& envelopes, const TestLog& log, std::size_t count, std::mt19937_64& rng) {
    for (std::size_t u = 0; u < log.units.size(); ++u) {
        for (int i = 0; i < 200; ++i) {
            const auto [a, b] = random_range(count, rng);
            expect_same(envelopes.unit(u).envelope(a, b), scan(log.units[u], a, b), a, b);
        }
    }
}

// Built on a thread of its own while this one reads what is ready.
TEST(LogEnvelopes, BuildReportsProgressStopsWhenCancelledAndReadersSeeConsistentData) {
    std::mt19937_64 rng(99);
    const TestLog log = random_log(200'000, rng);
    struct Case {
        std::size_t cancel_after_blocks;  // 0: never
        std::size_t want_records;
        bool want_cancelled;
    };
    for (const Case& c : {Case{0, 200'000, false}, Case{3, 3000, true}}) {
        auto envelopes = LogEnvelopes::create(2, log.times.size());
        ASSERT_TRUE(envelopes.has_value());
        std::stop_source stop;
        std::size_t reads = 0;
        std::vector<std::size_t> progress;
        BuildOutcome outcome;
        std::atomic<bool> built = false;
        std::jthread writer([&] {
            outcome = build_envelopes(
                **envelopes, reader_of(log, 1000, reads),
                [&](std::size_t ready) {
                    progress.push_back(ready);
                    if (progress.size() == c.cancel_after_blocks) stop.request_stop();
                },
                stop.get_token());
            built = true;
        });
        while (!built) {
            const std::size_t ready = (*envelopes)->ready();
            if (ready == 0) continue;
            const auto [a, b] = random_range(ready, rng);
            expect_same((*envelopes)->unit(0).envelope(a, b), scan(log.units[0], a, b), a, b);
        }
        writer.join();
        EXPECT_EQ(outcome.records, c.want_records);
        EXPECT_EQ(outcome.cancelled, c.want_cancelled);
        EXPECT_TRUE(outcome.error.empty());
        EXPECT_EQ(progress.size(), c.want_records / 1000);
        EXPECT_EQ(progress.back(), c.want_records);
        // No read after the stop; a full build stops when its room is full.
        EXPECT_EQ(reads, c.want_records / 1000);
        expect_matches(**envelopes, log, (*envelopes)->ready(), rng);
    }
}

TEST(LogEnvelopes, ReaderFailureKeepsWhatWasReadAndShortUnitsAreEmpty) {
    auto envelopes = LogEnvelopes::create(3, 100);
    ASSERT_TRUE(envelopes.has_value());
    int calls = 0;
    const BuildOutcome outcome = build_envelopes(
        **envelopes,
        [&](RecordBlock& block) -> Expected<bool, std::string> {
            if (++calls > 1) return Unexpected(std::string("record 10 cannot be read"));
            for (int i = 0; i < 10; ++i) block.times.push_back(i);
            block.values[0].assign(10, 5.0);
            block.values[1].assign(4, 1.0);  // the rest of this unit is missing
            block.errors[1].assign(4, 3);
            block.values.resize(2);          // and the third unit altogether
            return true;
        },
        nullptr, std::stop_token());
    EXPECT_EQ(outcome.records, 10u);
    EXPECT_EQ(outcome.error, "record 10 cannot be read");
    const LogEnvelopes& e = **envelopes;
    EXPECT_EQ(e.unit(0).envelope(0, 10).max, 5.0);
    EXPECT_TRUE(e.unit(1).envelope(0, 4).error);
    EXPECT_FALSE(e.unit(1).envelope(4, 10).has_value());
    EXPECT_FALSE(e.unit(1).envelope(4, 10).error);
    EXPECT_FALSE(e.unit(2).envelope(0, 10).has_value());
}

TEST(Timeline, PlacesRecordsByTimeOnlyWhileTimesAreFiniteAndNeverFall) {
    struct Case {
        std::vector<double> times;
        bool by_time;
    };
    const std::vector<Case> cases{
        {{1, 2, 2, 3.5, 7}, true},
        {{1, 2, 1.5, 3}, false},
        {{1, kNaN, 3}, false},
        {{1, 2, kInf}, false},
        {{}, true},
    };
    for (const auto& c : cases) {
        auto timeline = Timeline::create(c.times.size());
        ASSERT_TRUE(timeline.has_value());
        // Appended in two parts: the order check carries across appends.
        const std::size_t half = c.times.size() / 2;
        timeline->append(std::span(c.times).first(half));
        timeline->append(std::span(c.times).subspan(half));
        const std::size_t n = c.times.size();
        EXPECT_EQ(timeline->by_time(n), c.by_time);
        for (std::size_t r = 0; r < n; ++r) {
            EXPECT_EQ(timeline->key(r, n), c.by_time ? c.times[r] : static_cast<double>(r));
        }
    }
}

TEST(Timeline, ColumnsHoldTheRecordsOfTheirKeysAndNearestPicksTheCloserRecord) {
    std::mt19937_64 rng(3);
    std::vector<double> times;
    double t = 100;
    for (int i = 0; i < 5000; ++i) {
        t += (i % 700 == 0) ? 50.0 : std::uniform_real_distribution<double>(0, 0.2)(rng);  // with gaps
        times.push_back(t);
        if (i % 11 == 0) times.push_back(t);  // equal times
    }
    for (const bool by_index : {false, true}) {
        if (by_index) times[times.size() / 2] = kNaN;
        auto timeline = Timeline::create(times.size());
        ASSERT_TRUE(timeline.has_value());
        timeline->append(times);
        const std::size_t n = times.size();
        ASSERT_EQ(timeline->by_time(n), !by_index);
        const double first = timeline->key(n / 5, n) - 0.3;
        const double last = timeline->key(n - n / 7, n) + 0.1;
        for (const std::size_t width : {std::size_t{1}, std::size_t{7}, std::size_t{1999}}) {
            std::vector<std::size_t> bounds(width + 1);
            timeline->column_bounds(first, last, n, bounds);
            for (std::size_t c = 0; c < width; ++c) {
                const double from = first + (last - first) * (static_cast<double>(c) / static_cast<double>(width));
                const double to = c + 1 == width ? last
                                                 : first + (last - first) * (static_cast<double>(c + 1) /
                                                                             static_cast<double>(width));
                ASSERT_LE(bounds[c], bounds[c + 1]);
                if (bounds[c] > 0) {
                    ASSERT_LT(timeline->key(bounds[c] - 1, n), from);
                }
                for (std::size_t r = bounds[c]; r < bounds[c + 1]; ++r) {
                    ASSERT_GE(timeline->key(r, n), from);
                    ASSERT_LT(timeline->key(r, n), to);
                }
            }
            if (bounds[width] < n) {
                EXPECT_GE(timeline->key(bounds[width], n), last);
            }
        }
        for (std::size_t r = 1; r + 1 < n; r += 37) {
            const double k = timeline->key(r, n);
            const double before = timeline->key(r - 1, n);
            const double after = timeline->key(r + 1, n);
            if (before < k && k < after) {
                EXPECT_EQ(timeline->nearest(k + (after - k) * 0.4, n), r);
                EXPECT_EQ(timeline->nearest(k - (k - before) * 0.4, n), r);
            }
        }
        EXPECT_EQ(timeline->nearest(-1e300, n), 0u);
        EXPECT_EQ(timeline->nearest(1e300, n), n - 1);
        EXPECT_FALSE(timeline->nearest(kNaN, n).has_value());
    }
}

}  // namespace
}  // namespace corvex::viewer::data
