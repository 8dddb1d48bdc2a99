#include "viewer/work/log_scan.h"

#include <algorithm>

#include "export/export_error.h"

namespace corvex::viewer {

Expected<exporting::RecordSource, std::string> open_records(const LogOpener& open) {
    auto log = open();
    if (!log) return Unexpected{log.error()};
    auto source = exporting::RecordSource::open(log->get());
    if (!source) return Unexpected{exporting::source_error(source.error()).description};
    return std::move(source).value();
}

ScanOutcome scan_log(const LogOpener& open, const std::vector<std::shared_ptr<BlockSink>>& sinks, WorkProgress& progress,
                     std::stop_token stop) {
    ScanOutcome outcome;
    auto opened = open_records(open);
    if (!opened) {
        outcome.failure = opened.error();
        return outcome;
    }
    const exporting::RecordSource& source = *opened;
    const exporting::HeaderFields& header = source.header();
    outcome.record_count = header.record_count;
    progress.total = header.record_count;
    for (const auto& sink : sinks) sink->begin(header, source.items());

    auto summary = std::make_shared<LogSummary>(header.item_count);
    exporting::RecordBlock block;
    for (std::int32_t first = 0; first < header.record_count; first += kScanBlockRecords) {
        if (stop.stop_requested()) {
            outcome.stopped = true;
            break;
        }
        const std::int32_t wanted = std::min(kScanBlockRecords, header.record_count - first);
        source.read(first, wanted, block);
        summary->add(block);
        for (const auto& sink : sinks) sink->add(block);
        progress.done = first + block.count;
        if (block.count < wanted) {
            outcome.unreadable_record = first + block.count;
            break;
        }
    }
    outcome.summary = std::move(summary);
    return outcome;
}

Expected<RangeStatistics, std::string> range_statistics(const LogOpener& open, const LogSummary& summary,
                                                        const std::optional<exporting::TimeRange>& range,
                                                        std::stop_token stop) {
    std::optional<exporting::RecordSource> source;
    std::string failure;
    const BlockReader read = [&](std::int32_t first, std::int32_t wanted, exporting::RecordBlock& block) {
        block.first = first;
        block.count = 0;
        if (!source && failure.empty()) {
            auto opened = open_records(open);
            if (opened) source.emplace(std::move(opened).value());
            else failure = opened.error();
        }
        if (source) source->read(first, wanted, block);
    };
    RangeStatistics statistics = summary.statistics(range, read, stop);
    if (!failure.empty()) return Unexpected{failure};
    return statistics;
}

}  // namespace corvex::viewer
