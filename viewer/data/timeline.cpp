#include "viewer/data/timeline.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace corvex::viewer::data {

Expected<Timeline, std::string> Timeline::create(std::size_t capacity) {
    Timeline timeline;
    try {
        timeline.times_ = std::make_unique_for_overwrite<double[]>(capacity);
    } catch (const std::bad_alloc&) {
        return Unexpected(std::string("not enough memory for the times of ") + std::to_string(capacity) + " records");
    }
    timeline.capacity_ = capacity;
    return timeline;
}

Timeline::Timeline(Timeline&& other) noexcept
    : capacity_(other.capacity_),
      size_(other.size_),
      times_(std::move(other.times_)),
      ordered_(other.ordered_.load(std::memory_order_relaxed)) {
    other.capacity_ = 0;
    other.size_ = 0;
    other.ordered_.store(0, std::memory_order_relaxed);
}

std::size_t Timeline::append(std::span<const double> times) {
    const std::size_t count = std::min(times.size(), capacity_ - size_);
    std::copy_n(times.data(), count, times_.get() + size_);
    std::size_t ordered = ordered_.load(std::memory_order_relaxed);
    if (ordered == size_) {
        // Still in order so far: extend the run as far as it goes.
        while (ordered < size_ + count && std::isfinite(times_[ordered]) &&
               (ordered == 0 || times_[ordered] >= times_[ordered - 1])) {
            ++ordered;
        }
        ordered_.store(ordered, std::memory_order_relaxed);
    }
    size_ += count;
    return count;
}

double Timeline::key(std::size_t record, std::size_t count) const {
    return by_time(count) ? times_[record] : static_cast<double>(record);
}

std::size_t Timeline::lower_bound(double key, std::size_t count) const {
    if (by_time(count)) {
        return static_cast<std::size_t>(std::lower_bound(times_.get(), times_.get() + count, key) - times_.get());
    }
    if (!(key > 0)) return 0;  // also for NaN
    if (key >= static_cast<double>(count)) return count;
    return static_cast<std::size_t>(std::ceil(key));
}

std::optional<std::size_t> Timeline::nearest(double key, std::size_t count) const {
    if (count == 0 || std::isnan(key)) return std::nullopt;
    const std::size_t after = lower_bound(key, count);
    if (after == 0) return 0;
    if (after == count) return count - 1;
    const double to_before = key - this->key(after - 1, count);
    const double to_after = this->key(after, count) - key;
    return to_after < to_before ? after : after - 1;
}

void Timeline::column_bounds(double first_key, double last_key, std::size_t count,
                             std::span<std::size_t> bounds) const {
    if (bounds.empty()) return;
    const std::size_t columns = bounds.size() - 1;
    const double span = last_key - first_key;
    const bool ordered = by_time(count);
    std::size_t from = 0;
    for (std::size_t c = 0; c <= columns; ++c) {
        const double x = c == columns ? last_key
                                      : first_key + span * (static_cast<double>(c) / static_cast<double>(columns));
        if (ordered) {
            // The bounds rise with c: search only above the last one.
            from = static_cast<std::size_t>(std::lower_bound(times_.get() + from, times_.get() + count, x) -
                                            times_.get());
        } else {
            from = std::max(from, lower_bound(x, count));
        }
        bounds[c] = from;
    }
}

}  // namespace corvex::viewer::data
