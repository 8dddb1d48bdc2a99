#include "viewer/work/log_work.h"

namespace corvex::viewer {

LogWork::LogWork(QObject* parent) : QObject(parent) {
    progress_timer_.setInterval(200);
    connect(&progress_timer_, &QTimer::timeout, this, [this] {
        if (scan_progress_) emit scanProgressed(scan_progress_->done, scan_progress_->total);
    });
}

LogWork::~LogWork() {
    // The jobs end before the members they hand their answers to.
    scan_.reset();
    statistics_job_.reset();
}

void LogWork::clear() {
    ++generation_;
    scan_.reset();
    statistics_job_.reset();
    progress_timer_.stop();
    open_ = {};
    range_.reset();
    outcome_.reset();
    statistics_.reset();
    statistics_failure_.reset();
    scan_progress_.reset();
}

void LogWork::start(LogOpener open, std::vector<std::shared_ptr<BlockSink>> sinks) {
    clear();
    open_ = std::move(open);
    scan_progress_ = std::make_shared<WorkProgress>();
    const std::uint64_t generation = generation_;
    scan_ = std::make_unique<BackgroundJob>(
        this, [this, generation, open = open_, sinks = std::move(sinks), progress = scan_progress_](std::stop_token stop) {
            auto outcome = std::make_shared<ScanOutcome>(scan_log(open, sinks, *progress, stop));
            return BackgroundJob::Then([this, generation, outcome] {
                if (generation != generation_) return;
                // The thread has ended its work; let it go.
                scan_.reset();
                progress_timer_.stop();
                outcome_ = std::move(*outcome);
                emit scanProgressed(scan_progress_->done, scan_progress_->total);
                emit scanEnded();
                start_statistics();
            });
        });
    progress_timer_.start();
}

void LogWork::set_range(const std::optional<exporting::TimeRange>& range) {
    range_ = range;
    if (!open_) return;
    // The scan's answer brings the statistics of the range chosen by then.
    if (scan_) return;
    start_statistics();
}

void LogWork::start_statistics() {
    ++generation_;
    statistics_job_.reset();
    statistics_.reset();
    statistics_failure_.reset();
    if (!summary()) {
        statistics_failure_ = outcome_ && !outcome_->failure.empty() ? outcome_->failure : std::string("the log was not read");
        emit statisticsReady();
        return;
    }
    const std::uint64_t generation = generation_;
    statistics_job_ = std::make_unique<BackgroundJob>(
        this, [this, generation, open = open_, summary = outcome_->summary, range = range_](std::stop_token stop) {
            auto answer = std::make_shared<Expected<RangeStatistics, std::string>>(
                range_statistics(open, *summary, range, stop));
            if (stop.stop_requested()) return BackgroundJob::Then();
            return BackgroundJob::Then([this, generation, answer] {
                if (generation != generation_) return;
                if (*answer) statistics_ = std::move(answer->value());
                else statistics_failure_ = answer->error();
                emit statisticsReady();
            });
        });
}

}  // namespace corvex::viewer
