#include "viewer/data/plot_points.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace corvex::viewer::data {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

double finite_or_nan(double v) { return std::isfinite(v) ? v : kNaN; }

}  // namespace

PlotSlice::PlotSlice(const LogEnvelopes& log, std::size_t ready, double first_key, double last_key,
                     std::size_t columns)
    : log_(log), ready_(std::min(ready, log.ready())), first_key_(first_key) {
    columns = std::max<std::size_t>(columns, 1);
    const Timeline& timeline = log_.timeline();
    if (!(last_key > first_key) || !std::isfinite(last_key - first_key)) {
        per_record_ = true;  // nothing to draw
        return;
    }
    visible_first_ = timeline.lower_bound(first_key, ready_);
    visible_last_ = timeline.lower_bound(last_key, ready_);
    column_width_ = (last_key - first_key) / static_cast<double>(columns);
    per_record_ = visible_last_ - visible_first_ <= 2 * columns;
    if (!per_record_) {
        bounds_.resize(columns + 1);
        timeline.column_bounds(first_key, last_key, ready_, bounds_);
    }
}

void PlotPoints::fill(const PlotSlice& slice, std::size_t unit) {
    keys.clear();
    values.clear();
    error_keys.clear();
    error_values.clear();
    min = std::numeric_limits<double>::infinity();
    max = -min;
    if (slice.ready_ == 0) return;
    const Timeline& timeline = slice.log_.timeline();
    const EnvelopePyramid& pyramid = slice.log_.unit(unit);
    const std::size_t n = slice.ready_;
    auto add_record = [&](std::size_t r, bool visible) {
        const double key = timeline.key(r, n);
        const double v = finite_or_nan(pyramid.value(r));
        keys.push_back(key);
        values.push_back(v);
        if (!visible || std::isnan(v)) return;
        min = std::min(min, v);
        max = std::max(max, v);
        if (pyramid.error(r)) {
            error_keys.push_back(key);
            error_values.push_back(v);
        }
    };
    // The records just outside the range carry the line to its edges.
    if (slice.visible_first_ > 0) add_record(slice.visible_first_ - 1, false);
    if (slice.per_record_) {
        for (std::size_t r = slice.visible_first_; r < slice.visible_last_; ++r) add_record(r, true);
    } else {
        for (std::size_t c = 0; c + 1 < slice.bounds_.size(); ++c) {
            if (slice.bounds_[c] == slice.bounds_[c + 1]) continue;
            const Envelope e = pyramid.envelope(slice.bounds_[c], slice.bounds_[c + 1]);
            const double key = slice.first_key_ + (static_cast<double>(c) + 0.5) * slice.column_width_;
            if (!e.has_value()) {
                keys.push_back(key);
                values.push_back(kNaN);
                continue;
            }
            keys.push_back(key);
            values.push_back(e.min);
            if (e.max != e.min) {
                keys.push_back(key);
                values.push_back(e.max);
            }
            min = std::min(min, e.min);
            max = std::max(max, e.max);
            if (e.error) {
                error_keys.push_back(key);
                error_values.push_back(e.max);
            }
        }
    }
    if (slice.visible_last_ < n) add_record(slice.visible_last_, false);
}

}  // namespace corvex::viewer::data
