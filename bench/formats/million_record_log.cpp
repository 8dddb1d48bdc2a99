#include "bench/formats/million_record_log.h"

#include <unistd.h>

#include <fstream>
#include <string>

namespace corvex::bench {

namespace {

const char* key_of(logwriter::Format format) {
    switch (format) {
    case logwriter::Format::Pc:
        return "pc";
    case logwriter::Format::Meter:
        return "meter";
    case logwriter::Format::CompactMeter:
        return "compact";
    case logwriter::Format::Converted:
        break;
    }
    return "converted";
}

}  // namespace

MillionRecordLog::MillionRecordLog(logwriter::Format format, int channels, int records) {
    path_ = std::filesystem::temp_directory_path() /
            ("corvex-bench-" + std::to_string(::getpid()) + "-" + key_of(format) + "-" + std::to_string(channels) + ".log");
    logwriter::LogDescription desc;
    desc.format = format;
    desc.type_code = format == logwriter::Format::CompactMeter ? 4 : 5;
    desc.error_flags = format == logwriter::Format::CompactMeter ? 0x2000 : 0x1000;
    const std::int16_t units[] = {577, 711, 961, 145, 578, 712, 962, 146, 579, 713, 963, 147};
    for (int k = 0; k < channels && k < 12; ++k) {
        logwriter::Channel c;
        c.channel = static_cast<std::int16_t>(k + 1);
        c.unit_type = units[k];
        c.label = "Flow";
        desc.channels.push_back(c);
    }
    const std::string header = logwriter::build_log(desc);
    std::ofstream out(path_, std::ios::binary);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    // A thousand records per build, written after the header each build repeats.
    for (int r = 0; r < records; r += 1000) {
        desc.records.clear();
        for (int i = r; i < r + 1000 && i < records; ++i) {
            logwriter::Record rec;
            rec.time = 45356.0 + i / 86400.0;
            for (int k = 0; k < channels; ++k) {
                rec.values.push_back(1.8 + 100.0 * k + (i % 1000) * 0.25);
                rec.errors.push_back(static_cast<std::int16_t>(i % 7 == 0 ? k : 0));
            }
            rec.record_error = static_cast<std::int16_t>(i % 5);
            desc.records.push_back(rec);
        }
        const std::string bytes = logwriter::build_log(desc);
        out.write(bytes.data() + header.size(), static_cast<std::streamsize>(bytes.size() - header.size()));
    }
}

MillionRecordLog::~MillionRecordLog() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
}

}  // namespace corvex::bench
