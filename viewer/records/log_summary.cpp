#include "viewer/records/log_summary.h"

#include <algorithm>
#include <cmath>

namespace corvex::viewer {

namespace {

void add_record(const exporting::RecordBlock& block, std::int32_t i, std::vector<UnitStatistics>& units) {
    for (std::int32_t k = 0; k < block.units; ++k) {
        const double value = block.has_value(i, k) ? block.value(i, k) : std::nan("");
        units[static_cast<std::size_t>(k)].add(value, block.error(i, k));
    }
}

}  // namespace

void UnitStatistics::add(double value, std::int16_t error) {
    if (error != 0) ++error_records;
    if (std::isnan(value)) return;
    minimum = std::min(minimum, value);
    maximum = std::max(maximum, value);
    sum += value;
    ++values;
}

void UnitStatistics::add(const UnitStatistics& other) {
    minimum = std::min(minimum, other.minimum);
    maximum = std::max(maximum, other.maximum);
    sum += other.sum;
    values += other.values;
    error_records += other.error_records;
}

std::optional<double> UnitStatistics::mean() const {
    if (values == 0) return std::nullopt;
    return sum / static_cast<double>(values);
}

void LogSummary::add(const exporting::RecordBlock& block) {
    Block b;
    b.first = block.first;
    b.count = block.count;
    b.units.resize(static_cast<std::size_t>(units_));
    for (std::int32_t i = 0; i < block.count; ++i) {
        add_record(block, i, b.units);
        const auto second = block.has_time() ? exporting::log_second(block.time(i)) : std::nullopt;
        if (!second) continue;
        b.earliest = b.timed == 0 ? *second : std::min(b.earliest, *second);
        b.latest = b.timed == 0 ? *second : std::max(b.latest, *second);
        ++b.timed;
    }
    records_ = block.first + block.count;
    blocks_.push_back(std::move(b));
}

RangeStatistics LogSummary::statistics(const std::optional<exporting::TimeRange>& range, const BlockReader& read,
                                       std::stop_token stop) const {
    RangeStatistics result;
    result.units.resize(static_cast<std::size_t>(units_));
    const auto take_whole = [&](const Block& b) {
        result.records += b.count;
        for (std::size_t k = 0; k < b.units.size(); ++k) result.units[k].add(b.units[k]);
    };
    exporting::RecordBlock again;
    for (const Block& b : blocks_) {
        if (stop.stop_requested()) break;
        if (!range) {
            take_whole(b);
            continue;
        }
        if (b.timed == 0 || b.latest < range->first || b.earliest > range->last) continue;
        if (b.timed == b.count && b.earliest >= range->first && b.latest <= range->last) {
            take_whole(b);
            continue;
        }
        read(b.first, b.count, again);
        for (std::int32_t i = 0; i < again.count; ++i) {
            if (!again.has_time() || !range->contains(again.time(i))) continue;
            ++result.records;
            add_record(again, i, result.units);
        }
    }
    return result;
}

std::optional<std::int32_t> LogSummary::first_at_or_after(exporting::LogSecond second, const BlockReader& read) const {
    exporting::RecordBlock block;
    for (const Block& b : blocks_) {
        if (b.timed == 0 || b.latest < second) continue;
        read(b.first, b.count, block);
        for (std::int32_t i = 0; i < block.count; ++i) {
            const auto at = exporting::log_second(block.time(i));
            if (at && *at >= second) return block.first + i;
        }
    }
    return std::nullopt;
}

}  // namespace corvex::viewer
