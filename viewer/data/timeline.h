// The times of a log's records, and the position ("key") each record has
// along a plot's time axis.
//
// While the times are finite and never fall, a record's key is its time and
// a time range maps to records by binary search. A log whose clock went back
// or that holds a time that is not a number cannot be placed by time; its
// records are then placed by their index (record r at key r), and the axis
// labels them with the times of the records there.
//
// Like EnvelopePyramid: storage for a fixed number of records, one writer,
// readers that ask only about records below a count published to them.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "corvex/platform/expected.h"

namespace corvex::viewer::data {

class Timeline {
public:
    static Expected<Timeline, std::string> create(std::size_t capacity);

    Timeline(Timeline&& other) noexcept;
    Timeline& operator=(Timeline&&) = delete;

    // Writer: appends the next records' times; takes at most the room left
    // and returns how many it took.
    std::size_t append(std::span<const double> times);
    std::size_t capacity() const { return capacity_; }

    // Readers. `count` is the number of records published to the reader.
    double time(std::size_t record) const { return times_[record]; }
    // Whether records [0, count) are placed by their times.
    bool by_time(std::size_t count) const { return ordered_.load(std::memory_order_relaxed) >= count; }
    double key(std::size_t record, std::size_t count) const;
    // The first record whose key is at least `key` (count when none is).
    std::size_t lower_bound(double key, std::size_t count) const;
    // The record whose key lies nearest to `key` (the earlier one of two
    // equally near); none when count is 0 or `key` is not a number.
    std::optional<std::size_t> nearest(double key, std::size_t count) const;
    // Splits the keys [first_key, last_key) into bounds.size() - 1 equal
    // columns: column c holds records [bounds[c], bounds[c + 1]).
    void column_bounds(double first_key, double last_key, std::size_t count, std::span<std::size_t> bounds) const;

private:
    Timeline() = default;

    std::size_t capacity_ = 0;
    std::size_t size_ = 0;  // writer only
    std::unique_ptr<double[]> times_;
    // How many leading records have finite times that never fall.
    std::atomic<std::size_t> ordered_{0};
};

}  // namespace corvex::viewer::data
