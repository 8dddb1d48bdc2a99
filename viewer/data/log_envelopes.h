// The plot data of a whole log: the records' times and one envelope pyramid
// per unit, filled block by block while the log is read.
//
// One thread (the reading worker) appends blocks; after each block it
// publishes the number of records ready, and readers on other threads (the
// window painting) look at no record beyond the count they were given by
// ready(). So the plot can show what is ready while the rest is still read.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <vector>

#include "corvex/platform/expected.h"
#include "viewer/data/envelope_pyramid.h"
#include "viewer/data/timeline.h"

namespace corvex::viewer::data {

// Consecutive records, unit by unit: `values[u][i]` and `errors[u][i]` belong
// to record i of the block, whose time is `times[i]`. A unit's error list may
// be empty (no error words).
struct RecordBlock {
    std::vector<double> times;
    std::vector<std::vector<double>> values;
    std::vector<std::vector<std::int16_t>> errors;

    std::size_t size() const { return times.size(); }
    // Empties the block for `unit_count` units, keeping its memory.
    void clear(std::size_t unit_count);
};

class LogEnvelopes {
public:
    // Room for `capacity` records of `unit_count` units.
    static Expected<std::unique_ptr<LogEnvelopes>, std::string> create(std::size_t unit_count, std::size_t capacity,
                                                                      unsigned fan_out = kDefaultFanOut);

    // Writer: appends a block (units beyond the block's lists get NaN and no
    // error) and publishes the new count. Records beyond the capacity are
    // dropped; returns how many were taken.
    std::size_t append(const RecordBlock& block);

    // Readers: the records ready now. Look at none beyond this count.
    std::size_t ready() const { return ready_.load(std::memory_order_acquire); }
    std::size_t capacity() const { return timeline_.capacity(); }
    std::size_t unit_count() const { return units_.size(); }
    const Timeline& timeline() const { return timeline_; }
    const EnvelopePyramid& unit(std::size_t index) const { return units_[index]; }

    // Bytes used by the times and pyramids once `records` are appended.
    std::size_t memory_bytes(std::size_t records) const;

private:
    LogEnvelopes(Timeline timeline, std::vector<EnvelopePyramid> units)
        : timeline_(std::move(timeline)), units_(std::move(units)) {}

    Timeline timeline_;
    std::vector<EnvelopePyramid> units_;
    std::vector<double> filler_;  // NaN values for units a block leaves out
    std::atomic<std::size_t> ready_{0};
};

// How a build ended.
struct BuildOutcome {
    std::size_t records = 0;  // records appended
    bool cancelled = false;
    std::string error;        // the reader's failure, empty when none
};

// Fills the next block; false when the log has no more records. A failure
// ends the build with its text.
using BlockReader = std::function<Expected<bool, std::string>(RecordBlock&)>;

// Reads blocks with `read` and appends them until the reader has no more,
// fails, the envelopes are full or `stop` is requested (checked before each
// block). After each block `progress` (when set) gets the records ready.
// What was appended before a stop or a failure stays usable.
BuildOutcome build_envelopes(LogEnvelopes& envelopes, const BlockReader& read,
                             const std::function<void(std::size_t)>& progress, std::stop_token stop);

}  // namespace corvex::viewer::data
