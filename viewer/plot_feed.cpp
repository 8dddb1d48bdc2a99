#include "viewer/plot_feed.h"

#include <cmath>

namespace corvex::viewer {

std::shared_ptr<const data::LogEnvelopes> PlotFeed::envelopes() const {
    std::lock_guard lock(mutex_);
    return envelopes_;
}

std::string PlotFeed::failure() const {
    std::lock_guard lock(mutex_);
    return failure_;
}

void PlotFeed::reset() {
    std::lock_guard lock(mutex_);
    envelopes_.reset();
    failure_.clear();
}

void PlotFeed::begin(const exporting::HeaderFields& header, const std::vector<exporting::ItemFields>&) {
    auto made = data::LogEnvelopes::create(static_cast<std::size_t>(header.item_count),
                                           static_cast<std::size_t>(header.record_count));
    std::lock_guard lock(mutex_);
    envelopes_.reset();
    failure_.clear();
    if (made) envelopes_ = std::shared_ptr<data::LogEnvelopes>(std::move(made).value());
    else failure_ = made.error();
}

void PlotFeed::add(const exporting::RecordBlock& block) {
    std::shared_ptr<data::LogEnvelopes> envelopes;
    {
        std::lock_guard lock(mutex_);
        envelopes = envelopes_;
    }
    if (!envelopes) return;
    const auto units = static_cast<std::size_t>(block.units);
    block_.clear(units);
    block_.times.assign(block.times.begin(), block.times.begin() + block.count);
    for (std::size_t u = 0; u < units; ++u) {
        auto& values = block_.values[u];
        auto& errors = block_.errors[u];
        values.resize(static_cast<std::size_t>(block.count));
        errors.resize(static_cast<std::size_t>(block.count));
        const auto k = static_cast<std::int32_t>(u);
        for (std::int32_t i = 0; i < block.count; ++i) {
            values[static_cast<std::size_t>(i)] = block.has_value(i, k) ? block.value(i, k) : std::nan("");
            errors[static_cast<std::size_t>(i)] = block.error(i, k);
        }
    }
    envelopes->append(block_);
}

}  // namespace corvex::viewer
