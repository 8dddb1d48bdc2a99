// Reading a million-record log of each format from a file, front to back:
// records per second through open_log and ReadRecord.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "logmodule/formats/open_log.h"
#include "tools/logwriter/log_writer.h"

namespace {

using corvex::logwriter::Format;
using corvex::logwriter::LogDescription;

constexpr int kRecords = 1'000'000;

LogDescription flow_log(Format format) {
    LogDescription desc;
    desc.format = format;
    desc.type_code = format == Format::CompactMeter ? 4 : 5;
    desc.error_flags = format == Format::CompactMeter ? 0x2000 : 0x1000;
    for (std::int16_t unit : {577, 711, 961, 145}) {
        corvex::logwriter::Channel c;
        c.channel = unit;
        c.unit_type = unit;
        c.label = "Flow";
        desc.channels.push_back(c);
    }
    return desc;
}

// Writes the header once and one record a million times (times differ so
// none reads as the end mark).
std::string make_log(Format format, const char* name) {
    const std::string path = (std::filesystem::temp_directory_path() / ("corvex-bench-" + std::to_string(::getpid()) + name)).string();
    LogDescription desc = flow_log(format);
    const std::string header = corvex::logwriter::build_log(desc);
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    desc.records.resize(1);
    desc.records[0].values = {1.8, 203.5, 15230.7, 17.5};
    for (int r = 0; r < kRecords; r += 1000) {
        std::string block;
        for (int k = 0; k < 1000; ++k) {
            desc.records[0].time = 45356.0 + (r + k) / 86400.0;
            block += corvex::logwriter::build_log(desc).substr(header.size());
        }
        out.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
    return path;
}

void read_all(benchmark::State& state, Format format, const char* name) {
    const std::string path = make_log(format, name);
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
    std::filesystem::remove(path);
}

void BM_ReadPcLog(benchmark::State& state) { read_all(state, Format::Pc, "pc.log"); }
void BM_ReadMeterLog(benchmark::State& state) { read_all(state, Format::Meter, "meter.log"); }
void BM_ReadCompactMeterLog(benchmark::State& state) { read_all(state, Format::CompactMeter, "compact.log"); }

BENCHMARK(BM_ReadPcLog)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadMeterLog)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadCompactMeterLog)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
