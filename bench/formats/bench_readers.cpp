// Reading a million-record log of each format from a file, front to back:
// records per second through open_log and ReadRecord.
#include <benchmark/benchmark.h>

#include <string>

#include "bench/formats/million_record_log.h"
#include "logmodule/formats/open_log.h"

namespace {

using corvex::logwriter::Format;

void read_all(benchmark::State& state, Format format) {
    const corvex::bench::MillionRecordLog log(format, 4);
    const std::string path = log.path().string();
    std::int64_t records = 0;
    for (auto _ : state) {
        auto opened = corvex::formats::open_log_file(path);
        if (!opened) {
            state.SkipWithError("the log did not open");
            break;
        }
        double time = 0;
        double values[12];
        std::int16_t errors[corvex::formats::kErrorPlaces];
        while (opened->reader->ReadRecord(&time, values, errors, nullptr)) ++records;
        benchmark::DoNotOptimize(values);
    }
    state.SetItemsProcessed(records);
}

void BM_ReadPcLog(benchmark::State& state) { read_all(state, Format::Pc); }
void BM_ReadMeterLog(benchmark::State& state) { read_all(state, Format::Meter); }
void BM_ReadCompactMeterLog(benchmark::State& state) { read_all(state, Format::CompactMeter); }

BENCHMARK(BM_ReadPcLog)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadMeterLog)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadCompactMeterLog)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
