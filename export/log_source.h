// Reading an open log for export, through the published interfaces only.
//
// Both exporters read the header once, each item's properties from a fresh
// LogInfo.Item, and each record with Log.Item(r) and LogRecord.Item(u).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"
#include "export/export_options.h"

namespace corvex::exporting {

inline constexpr std::int16_t kDetailedErrorsFlag = 0x1000;
inline constexpr std::int16_t kBasicErrorsFlag = 0x2000;

struct LogHeader {
    double start_time = 0;
    double end_time = 0;
    std::int16_t interval = 0;
    std::int16_t cyclic_flags = 0;
    std::int16_t error_flags = 0;
    std::int32_t record_count = 0;   // Log.Count
    std::int32_t item_count = 0;     // LogInfo.Count
};

// The error columns an export writes, decided once from the options and the
// header's flags: an "Error #" after each unit (detailed errors) and one at
// the end of the line (basic errors).
struct ErrorColumns {
    bool per_unit = false;
    bool per_record = false;
    // Whether the units' errors update the record error: with both flags the
    // record column stays 0.
    bool record_follows_units() const { return per_record && !per_unit; }
};
ErrorColumns error_columns(const LogHeader& header, const ExportOptions& options);

struct ItemProperties {
    std::string label, symbol, computer;   // UTF-8
    std::int16_t unit_type = 0, channel = 0, comport = 0, decimal = 0, width = 0, input = 0, node_id = 0;
};

struct UnitReading {
    std::optional<double> value;   // empty when not asked for, or not a number
    std::int16_t error = 0;
};

struct RecordReading {
    std::optional<double> time;    // the Time of unit 0; empty for a record without units
    std::vector<UnitReading> units;
};

class LogSource {
public:
    // Fails when no log is open (LogInfo cannot be had).
    static Expected<LogSource, ExportError> open(ILog* log);

    const LogHeader& header() const { return header_; }

    // The properties of item `index`, from a fresh LogInfo.Item(index).
    Expected<ItemProperties, ExportError> item(std::int32_t index) const;

    // Reads record `index` into `out`: every unit's error, and the value of
    // the units `want_value` selects. False when Log.Item cannot read it.
    bool read_record(std::int32_t index, const std::vector<bool>& want_value, RecordReading& out) const;

private:
    LogSource() = default;
    platform::ComPtr<ILog> log_;
    platform::ComPtr<ILogInfo> info_;
    LogHeader header_;
};

// How often progress is reported: every record below 500 records, every
// 10th below 1000, every 100th from then on.
std::int32_t progress_step(std::int32_t record_count);

}  // namespace corvex::exporting
