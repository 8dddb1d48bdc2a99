// corvex-bench-log FORMAT RECORDS OUT: a large log for the benchmarks, twelve
// channels with detailed errors (pc, meter: doubles; compact: floats and the
// record error word), values that look like measurements. Written by the log
// writer in chunks, so any size fits in little memory.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "tools/logwriter/log_writer.h"

namespace {

using corvex::logwriter::Format;
using corvex::logwriter::LogDescription;

constexpr int kChannels = 12;
constexpr int kChunk = 50'000;
constexpr double kFirstDay = 45352.0;  // 2024-03-01

LogDescription bench_log(Format format) {
    LogDescription desc;
    desc.format = format;
    desc.type_code = format == Format::CompactMeter ? 4 : 5;
    desc.error_flags = format == Format::CompactMeter ? 0x2000 : 0x1000;
    desc.interval = 1;
    desc.start_time = kFirstDay;
    for (int c = 0; c < kChannels; ++c) {
        corvex::logwriter::Channel channel;
        channel.channel = static_cast<std::int16_t>(c + 1);
        channel.unit_type = static_cast<std::int16_t>(577 + c);
        channel.label = "Flow " + std::to_string(c);
        channel.symbol = "m/s";
        desc.channels.push_back(channel);
    }
    return desc;
}

// Record r's values: a slow drift with three decimals, as an instrument logs.
void fill(LogDescription& desc, long long first, int count) {
    desc.records.clear();
    for (int i = 0; i < count; ++i) {
        const long long r = first + i;
        corvex::logwriter::Record record;
        record.time = kFirstDay + static_cast<double>(r) / 86400.0;
        for (int c = 0; c < kChannels; ++c) {
            record.values.push_back(static_cast<double>((r * 37 + c * 1009) % 100000) / 1000.0 + c);
            record.errors.push_back(static_cast<std::int16_t>(r % 97 == 0 ? c + 1 : 0));
        }
        record.record_error = static_cast<std::int16_t>(r % 89 == 0);
        desc.records.push_back(std::move(record));
    }
}

}  // namespace

int main(int argc, char** argv) {
    long long records = 0;
    if (argc != 4 || std::from_chars(argv[2], argv[2] + std::strlen(argv[2]), records).ec != std::errc() || records < 1) {
        std::fputs("usage: corvex-bench-log pc|meter|compact RECORDS OUT\n", stderr);
        return 64;
    }
    const std::string kind = argv[1];
    const Format format = kind == "pc" ? Format::Pc : kind == "meter" ? Format::Meter : Format::CompactMeter;
    LogDescription desc = bench_log(format);
    desc.end_time = kFirstDay + static_cast<double>(records - 1) / 86400.0;
    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    const std::size_t start = corvex::logwriter::data_start(desc);
    for (long long first = 0; first < records; first += kChunk) {
        const int count = static_cast<int>(std::min<long long>(kChunk, records - first));
        fill(desc, first, count);
        const std::string bytes = corvex::logwriter::build_log(desc);
        out.write(bytes.data() + (first == 0 ? 0 : start), static_cast<std::streamsize>(bytes.size() - (first == 0 ? 0 : start)));
    }
    // A PC log counts its last record only when more bytes follow it.
    if (format == Format::Pc) out << std::string(24, '\0');
    return out ? 0 : 1;
}
