// Writes the benchmark's log: a PC log of twelve channels and RECORDS records
// (default 1,000,000), one a second, with detailed errors.
//
//   make-bench-python-log PATH [RECORDS]
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <stdexcept>
#include <string>

#include "tools/logwriter/log_writer.h"

namespace lw = corvex::logwriter;

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: make-bench-python-log PATH [RECORDS]\n", stderr);
        return 2;
    }
    const long records = argc == 3 ? std::strtol(argv[2], nullptr, 10) : 1'000'000;
    constexpr double kStart = 45352.0;
    try {
        lw::LogDescription desc;
        desc.format = lw::Format::Pc;
        desc.error_flags = 0x1000;
        desc.start_time = kStart;
        desc.end_time = kStart + static_cast<double>(records) / 86400.0;
        for (int c = 0; c < 12; ++c) {
            lw::Channel channel;
            channel.channel = static_cast<std::int16_t>(c + 1);
            channel.unit_type = 577;
            channel.label = "Flow " + std::to_string(c);
            channel.symbol = "m/s";
            desc.channels.push_back(channel);
        }
        // The header alone, then the records in runs of a thousand.
        const std::string header = lw::build_log(desc);
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(header.data(), static_cast<std::streamsize>(header.size()));
        desc.records.resize(1);
        for (long r = 0; r < records; r += 1000) {
            std::string run;
            for (long k = r; k < std::min(records, r + 1000); ++k) {
                lw::Record& rec = desc.records[0];
                rec.time = kStart + static_cast<double>(k) / 86400.0;
                rec.values.clear();
                rec.errors.clear();
                for (int c = 0; c < 12; ++c) {
                    const double flow = 1.8 + 0.35 * std::sin(static_cast<double>(k) / 45.0 + c);
                    rec.values.push_back(std::round(flow * 1000) / 1000);
                    rec.errors.push_back(static_cast<std::int16_t>(k % 97 == 41 ? 4 : 0));
                }
                run += lw::build_log(desc).substr(header.size());
            }
            out.write(run.data(), static_cast<std::streamsize>(run.size()));
        }
        // A PC log counts its last record only when more bytes follow it.
        out.write(std::string(24, '\0').data(), 24);
        if (!out.flush()) throw std::runtime_error("cannot write the log");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-bench-python-log: %s\n", e.what());
        return 1;
    }
    return 0;
}
