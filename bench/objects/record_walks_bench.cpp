// A million-record, twelve-channel log of each format read whole through a Log,
// two ways:
//   ObjectWalk: Log.Item(r), then LogRecord.Item(k) and each unit's Value,
//               Error and Time, as the exporters read it: units per second;
//   BlockWalk:  ILogBlocks.ReadRecords in runs of `state.range(0)` records into
//               arrays of times, values and errors: values per second.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "bench/formats/million_record_log.h"
#include "corvex/corvex.h"
#include "corvex/platform/bstr.h"
#include "logmodule/objects/log.h"

namespace {

using corvex::logwriter::Format;
using corvex::platform::ComPtr;

constexpr int kChannels = 12;

ComPtr<ILog> open_log(const corvex::bench::MillionRecordLog& file) {
    ComPtr<ILog> log;
    if (corvex::objects::Log::create_instance(nullptr, IID_ILog, log.put_void()) != S_OK) return {};
    const corvex::platform::Bstr name = corvex::platform::Bstr::from_path(file.path().native());
    std::int32_t ret = -1;
    if (log->Open(name.get(), &ret) != S_OK || ret != 0) return {};
    return log;
}

void object_walk(benchmark::State& state, Format format) {
    const corvex::bench::MillionRecordLog file(format, kChannels);
    std::int64_t units = 0;
    for (auto _ : state) {
        ComPtr<ILog> log = open_log(file);
        if (!log) {
            state.SkipWithError("the log did not open");
            break;
        }
        double sum = 0;
        for (std::int32_t r = 0;; ++r) {
            ComPtr<ILogRecord> record;
            log->get_Item(r, record.put());
            if (!record) break;
            std::int32_t count = 0;
            record->get_Count(&count);
            for (std::int32_t k = 0; k < count; ++k) {
                ComPtr<ILogUnit> unit;
                record->get_Item(k, unit.put());
                VARIANT value;
                VariantInit(&value);
                std::int16_t error = 0;
                double time = 0;
                unit->get_Value(&value);
                unit->get_Error(&error);
                unit->get_Time(&time);
                sum += value.dblVal + error + time;
                VariantClear(&value);
                ++units;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["units/s"] = benchmark::Counter(static_cast<double>(units), benchmark::Counter::kIsRate);
}

void block_walk(benchmark::State& state, Format format) {
    const corvex::bench::MillionRecordLog file(format, kChannels);
    const auto run = static_cast<std::int32_t>(state.range(0));
    std::vector<double> times(static_cast<std::size_t>(run));
    std::vector<double> values(static_cast<std::size_t>(run) * kChannels);
    std::vector<std::int16_t> errors(static_cast<std::size_t>(run) * kChannels);
    std::int64_t delivered_values = 0;
    for (auto _ : state) {
        ComPtr<ILog> log = open_log(file);
        ComPtr<ILogBlocks> blocks = log ? log.query<ILogBlocks>() : ComPtr<ILogBlocks>();
        if (!blocks) {
            state.SkipWithError("the log did not open");
            break;
        }
        std::int64_t records = 0;
        for (;;) {
            std::int32_t delivered = 0;
            const HRESULT hr = blocks->ReadRecords(static_cast<std::int32_t>(records), run, times.data(), values.data(),
                                                   errors.data(), &delivered);
            records += delivered;
            benchmark::DoNotOptimize(values.data());
            if (hr != S_OK) break;
        }
        if (records != corvex::bench::kMillion) state.SkipWithError("not every record was read");
        delivered_values += records * kChannels;
    }
    state.counters["values/s"] = benchmark::Counter(static_cast<double>(delivered_values), benchmark::Counter::kIsRate);
}

void BM_ObjectWalkPcLog(benchmark::State& state) { object_walk(state, Format::Pc); }
void BM_ObjectWalkMeterLog(benchmark::State& state) { object_walk(state, Format::Meter); }
void BM_ObjectWalkCompactMeterLog(benchmark::State& state) { object_walk(state, Format::CompactMeter); }
void BM_BlockWalkPcLog(benchmark::State& state) { block_walk(state, Format::Pc); }
void BM_BlockWalkMeterLog(benchmark::State& state) { block_walk(state, Format::Meter); }
void BM_BlockWalkCompactMeterLog(benchmark::State& state) { block_walk(state, Format::CompactMeter); }

BENCHMARK(BM_ObjectWalkPcLog)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ObjectWalkMeterLog)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ObjectWalkCompactMeterLog)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_BlockWalkPcLog)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BlockWalkMeterLog)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_BlockWalkCompactMeterLog)->Arg(64)->Arg(4096)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
