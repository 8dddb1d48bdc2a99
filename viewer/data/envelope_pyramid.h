// The values of one logged unit with a pyramid of (min, max) envelopes, so that
// a plot gets, for each pixel column, the exact extremes of the records the
// column covers without visiting them all.
//
// Level 0 is the values themselves; level l holds one envelope per bucket of
// fan_out^l records, made from the fan_out buckets of level l - 1 below it.
// Only whole buckets are kept. A range is answered from the coarsest buckets
// that fit inside it and, at its two ends, from finer buckets and the values,
// so the answer is what a scan of every value gives.
//
// Storage is allocated once for a fixed number of records (pages are taken by
// the system only when written). One thread appends; any thread may query the
// records that were appended before it learned the count (LogEnvelopes
// publishes that count): queries never touch the mutable count, and the error
// bits are atomic words, so readers and the writer never share a location
// that is being written.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "corvex/platform/expected.h"

namespace corvex::viewer::data {

// The extremes of the finite values of a run of records, and whether any of
// those records carries a non-zero error word. A run without a finite value
// has min > max (+inf, -inf).
struct Envelope {
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    bool error = false;

    bool has_value() const { return min <= max; }
};

// The default fan-out: per unit the levels add 1/7.5 of the values' memory,
// and a query of one column visits at most 2 * 15 entries per level
// (docs/DESIGN.md, "Plot", gives the measurements).
inline constexpr unsigned kDefaultFanOut = 16;

class EnvelopePyramid {
public:
    // Room for `capacity` records. `fan_out` must be a power of two from 2 to
    // 256. Fails (one line of text) for a bad fan-out or when memory runs out.
    static Expected<EnvelopePyramid, std::string> create(std::size_t capacity, unsigned fan_out = kDefaultFanOut);

    EnvelopePyramid(EnvelopePyramid&&) noexcept = default;
    EnvelopePyramid& operator=(EnvelopePyramid&&) noexcept = default;

    // Writer: appends the next records' values and error words (`errors`
    // either empty, meaning no errors, or one word per value) and completes
    // the buckets they fill. Takes at most the room left; returns how many
    // records it took.
    std::size_t append(std::span<const double> values, std::span<const std::int16_t> errors);

    // Writer: the records appended so far.
    std::size_t size() const { return size_; }
    std::size_t capacity() const { return capacity_; }

    // Readers, for records below a count published after they were appended.
    // The envelope of records [first, last).
    Envelope envelope(std::size_t first, std::size_t last) const;
    // One envelope per run [bounds[i], bounds[i + 1]); `bounds` must not
    // decrease and `out` holds bounds.size() - 1 envelopes.
    void envelopes(std::span<const std::size_t> bounds, std::span<Envelope> out) const;
    double value(std::size_t record) const { return values_[record]; }
    bool error(std::size_t record) const;

    // Bytes the pyramid uses once `records` records are appended.
    std::size_t memory_bytes(std::size_t records) const;

private:
    struct MinMax {
        double min;
        double max;
    };
    // Error bits of one level, one per bucket.
    struct Bits {
        std::unique_ptr<std::atomic<std::uint64_t>[]> words;
        bool any(std::size_t first, std::size_t last) const;
        void set(std::size_t index);
    };
    struct Level {
        std::unique_ptr<MinMax[]> envelopes;  // empty at level 0
        Bits errors;
    };

    EnvelopePyramid() = default;
    void complete_buckets(std::size_t level, std::size_t first, std::size_t last);
    // Folds entries [first, last) of `level` into `into`.
    void fold(std::size_t level, std::size_t first, std::size_t last, Envelope& into) const;

    std::size_t capacity_ = 0;
    std::size_t size_ = 0;
    unsigned shift_ = 4;
    std::unique_ptr<double[]> values_;
    std::vector<Level> levels_;
};

}  // namespace corvex::viewer::data
