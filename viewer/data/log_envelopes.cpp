#include "viewer/data/log_envelopes.h"

#include <algorithm>
#include <limits>
#include <span>
#include <utility>

namespace corvex::viewer::data {

void RecordBlock::clear(std::size_t unit_count) {
    times.clear();
    values.resize(unit_count);
    errors.resize(unit_count);
    for (auto& v : values) v.clear();
    for (auto& e : errors) e.clear();
}

Expected<std::unique_ptr<LogEnvelopes>, std::string> LogEnvelopes::create(std::size_t unit_count,
                                                                          std::size_t capacity, unsigned fan_out) {
    auto timeline = Timeline::create(capacity);
    if (!timeline) return Unexpected(timeline.error());
    std::vector<EnvelopePyramid> units;
    units.reserve(unit_count);
    for (std::size_t u = 0; u < unit_count; ++u) {
        auto pyramid = EnvelopePyramid::create(capacity, fan_out);
        if (!pyramid) return Unexpected(pyramid.error());
        units.push_back(std::move(pyramid).value());
    }
    return std::unique_ptr<LogEnvelopes>(new LogEnvelopes(std::move(timeline).value(), std::move(units)));
}

std::size_t LogEnvelopes::append(const RecordBlock& block) {
    const std::size_t count = timeline_.append(block.times);
    for (std::size_t u = 0; u < units_.size(); ++u) {
        std::span<const double> values;
        if (u < block.values.size()) values = std::span(block.values[u]).first(std::min(count, block.values[u].size()));
        std::span<const std::int16_t> errors;
        if (u < block.errors.size()) errors = block.errors[u];
        units_[u].append(values, errors.first(std::min(errors.size(), values.size())));
        if (values.size() < count) {
            filler_.resize(count - values.size(), std::numeric_limits<double>::quiet_NaN());
            units_[u].append(std::span(filler_).first(count - values.size()), {});
        }
    }
    ready_.store(ready_.load(std::memory_order_relaxed) + count, std::memory_order_release);
    return count;
}

std::size_t LogEnvelopes::memory_bytes(std::size_t records) const {
    std::size_t bytes = records * sizeof(double);
    for (const auto& unit : units_) bytes += unit.memory_bytes(records);
    return bytes;
}

BuildOutcome build_envelopes(LogEnvelopes& envelopes, const BlockReader& read,
                             const std::function<void(std::size_t)>& progress, std::stop_token stop) {
    BuildOutcome outcome;
    RecordBlock block;
    while (envelopes.ready() < envelopes.capacity()) {
        if (stop.stop_requested()) {
            outcome.cancelled = true;
            break;
        }
        block.clear(envelopes.unit_count());
        auto more = read(block);
        if (!more) {
            outcome.error = more.error();
            break;
        }
        if (!*more) break;
        envelopes.append(block);
        if (progress) progress(envelopes.ready());
    }
    outcome.records = envelopes.ready();
    return outcome;
}

}  // namespace corvex::viewer::data
