#include "synthetic_log.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace corvex::bench {

namespace {

// A cheap deterministic hash of the record and unit, for noise.
std::uint64_t mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

}  // namespace

void synthetic_block(std::size_t first, std::size_t count, std::size_t units, viewer::data::RecordBlock& block) {
    block.clear(units);
    constexpr double kStart = 45292.25;  // 2024-01-01 06:00
    for (std::size_t i = first; i < first + count; ++i) {
        block.times.push_back(kStart + static_cast<double>(i) / 86400.0);
        for (std::size_t u = 0; u < units; ++u) {
            const std::uint64_t h = mix(i * 16 + u);
            const double noise = static_cast<double>(h % 1000) / 1000.0 - 0.5;
            const double scale = 1.0 + 10.0 * static_cast<double>(u);
            double v = scale * (std::sin(static_cast<double>(i) * (0.00003 + 0.00001 * static_cast<double>(u))) +
                                0.05 * noise + 0.3 * std::sin(static_cast<double>(i) * 0.0021));
            if (h % 100000 == 7) v += 3 * scale;                                   // a spike
            if ((i / 5000) % 97 == 13 + u) v = std::numeric_limits<double>::quiet_NaN();  // a gap
            block.values[u].push_back(v);
            block.errors[u].push_back((h >> 20) % 20000 == 1 ? std::int16_t{4} : std::int16_t{0});
        }
    }
}

std::unique_ptr<viewer::data::LogEnvelopes> synthetic_log(std::size_t records, std::size_t units, unsigned fan_out) {
    auto envelopes = viewer::data::LogEnvelopes::create(units, records, fan_out);
    if (!envelopes) return nullptr;
    viewer::data::RecordBlock block;
    constexpr std::size_t kBlock = 4096;
    for (std::size_t at = 0; at < records; at += kBlock) {
        synthetic_block(at, std::min(kBlock, records - at), units, block);
        (*envelopes)->append(block);
    }
    return std::move(envelopes).value();
}

}  // namespace corvex::bench
