// The list of log formats, in recognition order.
#include "logmodule/formats/log_format.h"

namespace corvex::formats {

extern const LogFormat kCompactMeterLogFormat;  // compact_meter_log_format.cpp
extern const LogFormat kMeterLogFormat;         // meter_log_format.cpp
extern const LogFormat kPcLogFormat;            // pc_log_format.cpp: matches anything, so it comes last

namespace {
const LogFormat* const kLogFormats[] = {&kCompactMeterLogFormat, &kMeterLogFormat, &kPcLogFormat};
}  // namespace

std::span<const LogFormat* const> log_formats() { return kLogFormats; }

const LogFormat* find_log_format(std::string_view key) {
    for (const LogFormat* format : kLogFormats)
        if (format->key == key) return format;
    return nullptr;
}

}  // namespace corvex::formats
