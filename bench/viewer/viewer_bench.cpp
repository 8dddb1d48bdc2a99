// The viewer's data views on a 10-million-record log (twelve units, detailed
// errors; made once by corvex-bench-log into build/default/bench-data, or
// the log named by VIEWER_BENCH_LOG):
//   BM_TableScreenful    one screenful of the records table (40 rows, every
//                        column, the roles a view asks for) at a place not
//                        read before: the blocks are read and the texts made
//   BM_TableScreenfulSeen the same screenful again, from the model's blocks
//   BM_TableScroll       a QTableView (offscreen) scrolled to a new place and
//                        painted: the reads and Qt's painting together
//   BM_TableLayout       a new log of that many rows shown in a QTableView
//   BM_Scan              the scan of the whole log (summary and plot envelopes)
//   BM_RangeStatistics   records and statistics of a one-hour range from the summary
//   BM_GoTo              the first record at or after a time
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "logmodule/objects/log.h"
#include "viewer/log_module.h"
#include "viewer/plot_feed.h"
#include "viewer/records/record_table_model.h"
#include "viewer/work/log_scan.h"

namespace {

using namespace corvex;
using namespace corvex::viewer;

constexpr int kRecords = 10'000'000;
constexpr int kScreenRows = 40;

std::string bench_log() {
    if (const char* given = std::getenv("VIEWER_BENCH_LOG"); given && *given) return given;
    const std::filesystem::path path = std::filesystem::path(CORVEX_BENCH_DATA) / ("meter-" + std::to_string(kRecords) + ".log");
    if (!std::filesystem::exists(path)) {
        std::filesystem::create_directories(path.parent_path());
        const std::string command = std::string(CORVEX_BENCH_LOG_MAKER) + " meter " + std::to_string(kRecords) + " '" +
                                    path.string() + "'";
        if (std::system(command.c_str()) != 0) return {};
    }
    return path.string();
}

// Sessions straight from the module's objects, as the viewer gets them from the library.
SessionFactory sessions() {
    return [] { return Expected<platform::ComPtr<ILog>, std::string>(platform::ComPtr<ILog>(objects::Log::make())); };
}

LogOpener opener() {
    return [path = bench_log()] { return open_log_session(sessions(), path); };
}

std::shared_ptr<const exporting::RecordSource> records() {
    static std::shared_ptr<const exporting::RecordSource> source = [] {
        auto opened = open_records(opener());
        return opened ? std::make_shared<const exporting::RecordSource>(std::move(opened).value()) : nullptr;
    }();
    return source;
}

std::unique_ptr<RecordTableModel> table_model() {
    auto model = std::make_unique<RecordTableModel>();
    model->set_source(table_source(records()));
    model->set_selection(std::vector<bool>(static_cast<std::size_t>(records()->header().item_count), true));
    return model;
}

// Every cell of rows [top, top + kScreenRows), with the roles a view asks for.
std::size_t read_screen(const RecordTableModel& model, int top) {
    std::size_t characters = 0;
    for (int row = top; row < top + kScreenRows; ++row) {
        for (int c = 0; c < model.columnCount(); ++c) {
            const QModelIndex index = model.index(row, c);
            characters += static_cast<std::size_t>(model.data(index, Qt::DisplayRole).toString().size());
            benchmark::DoNotOptimize(model.data(index, Qt::BackgroundRole));
            benchmark::DoNotOptimize(model.data(index, Qt::ForegroundRole));
            benchmark::DoNotOptimize(model.data(index, Qt::TextAlignmentRole));
        }
    }
    return characters;
}

void BM_TableScreenful(benchmark::State& state) {
    if (!records()) return state.SkipWithError("the log does not open");
    auto model = table_model();
    std::mt19937 random(7);
    std::uniform_int_distribution<int> place(0, model->rowCount() - kScreenRows);
    for (auto _ : state) benchmark::DoNotOptimize(read_screen(*model, place(random)));
    state.counters["cells"] = static_cast<double>(kScreenRows * model->columnCount());
}
BENCHMARK(BM_TableScreenful)->Unit(benchmark::kMillisecond);

void BM_TableScreenfulSeen(benchmark::State& state) {
    if (!records()) return state.SkipWithError("the log does not open");
    auto model = table_model();
    read_screen(*model, 5'000'000);
    for (auto _ : state) benchmark::DoNotOptimize(read_screen(*model, 5'000'000));
}
BENCHMARK(BM_TableScreenfulSeen)->Unit(benchmark::kMillisecond);

void BM_TableScroll(benchmark::State& state) {
    if (!records()) return state.SkipWithError("the log does not open");
    auto model = table_model();
    QTableView view;
    view.setModel(model.get());
    configure_record_view(&view);
    size_record_columns(&view);
    view.resize(1200, kScreenRows * view.verticalHeader()->defaultSectionSize() + 40);
    view.show();
    QCoreApplication::processEvents();
    std::mt19937 random(11);
    std::uniform_int_distribution<int> place(0, model->rowCount() - kScreenRows);
    for (auto _ : state) {
        view.verticalScrollBar()->setValue(place(random));
        view.viewport()->repaint();
    }
}
BENCHMARK(BM_TableScroll)->Unit(benchmark::kMillisecond);

void BM_TableLayout(benchmark::State& state) {
    if (!records()) return state.SkipWithError("the log does not open");
    for (auto _ : state) {
        auto model = table_model();
        QTableView view;
        view.setModel(model.get());
        configure_record_view(&view);
        benchmark::DoNotOptimize(view.verticalHeader()->length());
    }
}
BENCHMARK(BM_TableLayout)->Unit(benchmark::kMillisecond)->Iterations(3);

double peak_resident_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

std::shared_ptr<const LogSummary> summary() {
    static std::shared_ptr<const LogSummary> made = [] {
        WorkProgress progress;
        return scan_log(opener(), {}, progress, {}).summary;
    }();
    return made;
}

void BM_Scan(benchmark::State& state) {
    if (!records()) return state.SkipWithError("the log does not open");
    const bool with_plot = state.range(0) != 0;
    for (auto _ : state) {
        std::vector<std::shared_ptr<BlockSink>> sinks;
        if (with_plot) sinks.push_back(std::make_shared<PlotFeed>());
        WorkProgress progress;
        const ScanOutcome outcome = scan_log(opener(), sinks, progress, {});
        if (!outcome.summary || outcome.summary->records() != outcome.record_count) return state.SkipWithError("scan incomplete");
    }
    state.counters["records/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * records()->header().record_count, benchmark::Counter::kIsRate);
    state.counters["peak_RSS_MiB"] = peak_resident_mib();
}
BENCHMARK(BM_Scan)->Arg(0)->Arg(1)->ArgName("plot")->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_RangeStatistics(benchmark::State& state) {
    if (!records() || !summary()) return state.SkipWithError("the log does not open");
    const exporting::LogSecond start = *exporting::log_second(records()->header().start_time);
    std::mt19937 random(13);
    std::uniform_int_distribution<exporting::LogSecond> place(0, records()->header().record_count - 3600);
    std::int64_t counted = 0;
    for (auto _ : state) {
        const exporting::LogSecond first = start + place(random);
        auto statistics = range_statistics(opener(), *summary(), exporting::TimeRange{first, first + 3599}, {});
        counted += statistics ? statistics->records : 0;
    }
    state.counters["records_per_range"] = static_cast<double>(counted) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_RangeStatistics)->Unit(benchmark::kMillisecond);

void BM_GoTo(benchmark::State& state) {
    if (!records() || !summary()) return state.SkipWithError("the log does not open");
    const exporting::LogSecond start = *exporting::log_second(records()->header().start_time);
    std::mt19937 random(17);
    std::uniform_int_distribution<exporting::LogSecond> place(0, records()->header().record_count - 1);
    const BlockReader read = [](std::int32_t first, std::int32_t wanted, exporting::RecordBlock& block) {
        records()->read(first, wanted, block);
    };
    for (auto _ : state) benchmark::DoNotOptimize(summary()->first_at_or_after(start + place(random), read));
}
BENCHMARK(BM_GoTo)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
