// Delimited-text and workbook export of a large PC log: records per second,
// and the process's peak resident memory after each run (the workbook writer
// works in constant memory, so it must not grow with the log); and the check
// of the finished workbook on its own.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "corvex/platform/bstr.h"
#include "logmodule/objects/log.h"
#include "tools/logwriter/log_writer.h"
#include "export/csv_export.h"
#include "export/workbook_check.h"
#include "export/workbook_export.h"

namespace {

using namespace corvex;

constexpr int kChannels = 12;
constexpr double kFirstDay = 45352.0;

std::filesystem::path scratch() {
    static const std::filesystem::path dir = [] {
        auto d = std::filesystem::temp_directory_path() / ("corvex-export-bench-" + std::to_string(::getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

// A PC log of `records` records over twelve channels, written once per size
// by a child process, so that building it does not count in the peak memory.
std::filesystem::path large_log(int records) {
    const auto path = scratch() / ("pc_" + std::to_string(records) + ".log");
    if (std::filesystem::exists(path)) return path;
    const pid_t child = ::fork();
    if (child < 0) return path;
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        return path;
    }
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Pc;
    desc.error_flags = 0x1000;
    desc.start_time = kFirstDay;
    desc.end_time = kFirstDay + records / 86400.0;
    for (int c = 0; c < kChannels; ++c) {
        logwriter::Channel channel;
        channel.channel = static_cast<std::int16_t>(c + 1);
        channel.unit_type = 577;
        channel.label = "Flow " + std::to_string(c);
        channel.symbol = "m/s";
        desc.channels.push_back(channel);
    }
    desc.records.reserve(static_cast<std::size_t>(records));
    for (int r = 0; r < records; ++r) {
        logwriter::Record record;
        record.time = kFirstDay + r / 86400.0;
        for (int c = 0; c < kChannels; ++c) {
            record.values.push_back(r * 0.001 + c * 1.25);
            record.errors.push_back(static_cast<std::int16_t>(r % 7 == 0));
        }
        desc.records.push_back(std::move(record));
    }
    desc.trailing_bytes.assign(24, '\0');  // the PC record count leaves out the last 24 bytes
    logwriter::write_log(path, desc);
    ::_exit(0);
}

platform::ComPtr<ILog> open(const std::filesystem::path& path) {
    platform::ComPtr<ILog> log(objects::Log::make());
    std::int32_t result = -1;
    const platform::Bstr name = platform::Bstr::from_utf8(path.string());
    log->Open(name.get(), &result);
    return result == 0 ? log : platform::ComPtr<ILog>();
}

exporting::ExportOptions all_units() {
    exporting::ExportOptions options;
    options.selected.assign(kChannels, true);
    options.file_title = "bench.log";
    options.file_name = "/data/bench.log";
    return options;
}

double peak_resident_mib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

template <class Export>
void run_export(benchmark::State& state, Export export_fn, const char* extension) {
    const int records = static_cast<int>(state.range(0));
    platform::ComPtr<ILog> log = open(large_log(records));
    if (!log) {
        state.SkipWithError("the log does not open");
        return;
    }
    const auto out = scratch() / (std::string("out") + extension);
    for (auto _ : state) {
        auto outcome = export_fn(log.get(), all_units(), out, exporting::ProgressFn{});
        if (!outcome) {
            state.SkipWithError(outcome.error().description.c_str());
            return;
        }
        benchmark::DoNotOptimize(outcome->records_written);
    }
    state.SetItemsProcessed(state.iterations() * records);
    state.counters["records/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * records,
                                                     benchmark::Counter::kIsRate);
    state.counters["output_MiB"] = static_cast<double>(std::filesystem::file_size(out)) / (1024.0 * 1024.0);
    state.counters["peak_RSS_MiB"] = peak_resident_mib();
}

void BM_CsvExport(benchmark::State& state) {
    run_export(state, [](ILog* log, const exporting::ExportOptions& o, const std::filesystem::path& out,
                         const exporting::ProgressFn& p) { return exporting::export_csv(log, o, out, p); },
               ".csv");
}

void BM_WorkbookExport(benchmark::State& state) {
    run_export(state, [](ILog* log, const exporting::ExportOptions& o, const std::filesystem::path& out,
                         const exporting::ProgressFn& p) { return exporting::export_workbook(log, o, out, p); },
               ".xlsx");
}

// The check of the finished archive alone, part of every workbook export:
// its share of BM_WorkbookExport at the same size.
void BM_WorkbookCheck(benchmark::State& state) {
    const int records = static_cast<int>(state.range(0));
    platform::ComPtr<ILog> log = open(large_log(records));
    const auto out = scratch() / "checked.xlsx";
    if (!log || !exporting::export_workbook(log.get(), all_units(), out)) {
        state.SkipWithError("the workbook is not written");
        return;
    }
    // What the export wrote: the log information (8 header rows, the item
    // table's title row and 12 items after an empty row), one data sheet.
    const exporting::WorkbookContents written{
        {"xl/styles.xml"},
        {{"xl/worksheets/sheet1.xml", 8 + 1 + kChannels, 10 + kChannels},
         {"xl/worksheets/sheet2.xml", records + 1, records + 1}}};
    for (auto _ : state) {
        auto checked = exporting::check_workbook(out, written);
        if (!checked) {
            state.SkipWithError(checked.error().c_str());
            return;
        }
    }
    state.SetItemsProcessed(state.iterations() * records);
}

BENCHMARK(BM_CsvExport)->Arg(10'000)->Arg(200'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_WorkbookExport)
    ->Arg(10'000)
    ->Arg(100'000)
    ->Arg(200'000)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(BM_WorkbookCheck)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(scratch(), ignored);
    return 0;
}
