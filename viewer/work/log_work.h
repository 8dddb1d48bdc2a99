// The work on the open log that runs beside the window: one scan of the
// whole log when it opens (its summary, and its blocks for the block sinks
// such as the plot), then the records and statistics of each time range
// chosen. Each runs on a thread of its own with a session of its own; a new
// log or a new range stops the work that has become useless.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QTimer>

#include "export/time_range.h"
#include "viewer/records/log_summary.h"
#include "viewer/work/background_job.h"
#include "viewer/work/log_scan.h"

namespace corvex::viewer {

class LogWork final : public QObject {
    Q_OBJECT

public:
    explicit LogWork(QObject* parent = nullptr);
    ~LogWork() override;

    // Starts reading the log that `open` opens, handing its blocks to
    // `sinks`; work on an earlier log stops. The range is the whole log.
    void start(LogOpener open, std::vector<std::shared_ptr<BlockSink>> sinks);
    // No log: all work stops.
    void clear();

    // The statistics that follow are those of `range` (none: the whole log).
    void set_range(const std::optional<exporting::TimeRange>& range);

    bool scanning() const { return scan_ != nullptr; }
    // The summary of the records read; null until the scan has ended.
    const LogSummary* summary() const { return outcome_ ? outcome_->summary.get() : nullptr; }
    // How the scan ended; empty while it runs.
    const std::optional<ScanOutcome>& scan_outcome() const { return outcome_; }
    // The statistics of the range; empty while they are being worked out.
    const std::optional<RangeStatistics>& statistics() const { return statistics_; }
    const std::optional<std::string>& statistics_failure() const { return statistics_failure_; }

signals:
    // The scan read `done` of `total` records (every fifth of a second).
    void scanProgressed(qint64 done, qint64 total);
    // The scan has ended: summary() and scan_outcome() tell how.
    void scanEnded();
    // statistics() (or statistics_failure()) holds the answer for the range.
    void statisticsReady();

private:
    void start_statistics();

    LogOpener open_;
    std::optional<exporting::TimeRange> range_;
    std::optional<ScanOutcome> outcome_;
    std::optional<RangeStatistics> statistics_;
    std::optional<std::string> statistics_failure_;
    std::uint64_t generation_ = 0;  // answers of earlier work are dropped
    std::shared_ptr<WorkProgress> scan_progress_;
    QTimer progress_timer_;
    // Destroyed first, so the threads end before what they use goes.
    std::unique_ptr<BackgroundJob> statistics_job_;
    std::unique_ptr<BackgroundJob> scan_;
};

}  // namespace corvex::viewer
