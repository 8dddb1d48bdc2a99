// The points a line plot draws for the units of a log over a visible range
// of keys (see Timeline) at a given number of pixel columns.
//
// Zoomed out, each column becomes its envelope: a point at its least and one
// at its greatest finite value, so that the line drawn through them covers
// every value of the column and no spike is lost. Zoomed in, when the range
// holds at most two records per column, every record is a point of its own.
// Either way the neighbours just outside the range are included, so lines
// run to the edges.
#pragma once

#include <cstddef>
#include <vector>

#include "viewer/data/log_envelopes.h"

namespace corvex::viewer::data {

// The visible range split into columns, worked out once for all units.
class PlotSlice {
public:
    // `ready` is the number of records published to the caller.
    PlotSlice(const LogEnvelopes& log, std::size_t ready, double first_key, double last_key, std::size_t columns);

    // Whether each record is drawn as a point of its own.
    bool per_record() const { return per_record_; }
    // The records inside the range.
    std::size_t visible_records() const { return visible_last_ - visible_first_; }

private:
    friend struct PlotPoints;
    const LogEnvelopes& log_;
    std::size_t ready_;
    double first_key_;
    double column_width_ = 0;  // in keys
    bool per_record_ = false;
    // The records inside the range: [visible_first_, visible_last_).
    std::size_t visible_first_ = 0, visible_last_ = 0;
    // Per column: columns + 1 bounds over the range.
    std::vector<std::size_t> bounds_;
};

// One unit's points, in rising key order. A NaN value breaks the line: a record without a finite
// value, or a column whose records have none. Columns without records are
// left out, so the line bridges them as it bridges records far apart.
struct PlotPoints {
    std::vector<double> keys;
    std::vector<double> values;
    // Where a record or column carries a non-zero error word and has a
    // finite value: the record's value, or the column's greatest value.
    std::vector<double> error_keys;
    std::vector<double> error_values;
    // The extremes of the finite values inside the visible range (min > max
    // when there are none), for fitting a value axis.
    double min = 0, max = 0;

    void fill(const PlotSlice& slice, std::size_t unit);
};

}  // namespace corvex::viewer::data
