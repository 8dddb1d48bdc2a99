// The plot's envelope pyramid: how fast it is built from blocks of records
// (values per second), what it costs in memory, and how long a redraw's query
// takes: 2000 pixel columns of a 10-million-record log of 4 units, at every
// zoom. Each benchmark takes the fan-out as its first argument.
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "synthetic_log.h"
#include "viewer/data/log_envelopes.h"

namespace {

using corvex::viewer::data::Envelope;
using corvex::viewer::data::LogEnvelopes;
using corvex::viewer::data::RecordBlock;

constexpr std::size_t kBlock = 4096;

void BM_EnvelopeBuild(benchmark::State& state) {
    const auto fan_out = static_cast<unsigned>(state.range(0));
    constexpr std::size_t kRecords = 2'000'000;
    constexpr std::size_t kUnits = 4;
    std::vector<RecordBlock> blocks(kRecords / kBlock);
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        corvex::bench::synthetic_block(b * kBlock, kBlock, kUnits, blocks[b]);
    }
    std::size_t memory = 0;
    for (auto _ : state) {
        auto envelopes = LogEnvelopes::create(kUnits, blocks.size() * kBlock, fan_out);
        for (const auto& block : blocks) (*envelopes)->append(block);
        memory = (*envelopes)->memory_bytes(blocks.size() * kBlock);
        benchmark::DoNotOptimize(envelopes);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * blocks.size() * kBlock * kUnits));
    // Bytes per record and unit beyond the value itself and the record's time.
    const double values_only = static_cast<double>(blocks.size() * kBlock) * (kUnits + 1) * sizeof(double);
    state.counters["pyramid_bytes_per_value"] =
        (static_cast<double>(memory) - values_only) / static_cast<double>(blocks.size() * kBlock * kUnits);
}
BENCHMARK(BM_EnvelopeBuild)->ArgName("fan_out")->Arg(2)->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Arg(64)
    ->Unit(benchmark::kMillisecond);

// One 10-million-record log per fan-out, built on first use.
const LogEnvelopes& big_log(unsigned fan_out) {
    static unsigned built_for = 0;
    static std::unique_ptr<LogEnvelopes> log;
    if (built_for != fan_out) {
        log.reset();
        log = corvex::bench::synthetic_log(10'000'000, 4, fan_out);
        built_for = fan_out;
    }
    return *log;
}

// Query of all four units at 2000 columns over 1 / zoom of the log, the view
// moving across the log from one query to the next.
void BM_EnvelopeQuery(benchmark::State& state) {
    const LogEnvelopes& log = big_log(static_cast<unsigned>(state.range(0)));
    const double zoom = static_cast<double>(state.range(1));
    const std::size_t n = log.ready();
    const double first_key = log.timeline().key(0, n);
    const double full = log.timeline().key(n - 1, n) - first_key;
    const double visible = full / zoom;
    constexpr std::size_t kWidth = 2000;
    std::vector<std::size_t> bounds(kWidth + 1);
    std::vector<Envelope> columns(kWidth);
    std::size_t step = 0;
    for (auto _ : state) {
        const double from = first_key + (full - visible) * static_cast<double>(step++ % 97) / 96.0;
        log.timeline().column_bounds(from, from + visible, n, bounds);
        for (std::size_t u = 0; u < log.unit_count(); ++u) {
            log.unit(u).envelopes(bounds, columns);
            benchmark::DoNotOptimize(columns.data());
        }
    }
}
BENCHMARK(BM_EnvelopeQuery)->ArgNames({"fan_out", "zoom"})
    ->ArgsProduct({{2, 8, 16, 64}, {1, 10, 1000, 5000}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
