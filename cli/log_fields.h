// The values of an open log as plain data, read through the published
// interfaces once, so that each command formats them its own way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/expected.h"

namespace corvex::cli {

struct HeaderFields {
    double start_time = 0, end_time = 0;
    std::int16_t cyclic_flags = 0, error_flags = 0, interval = 0;
    std::int32_t item_count = 0;    // LogInfo.Count
    std::int32_t record_count = 0;  // Log.Count
};

struct ItemFields {
    std::int16_t unit_type = 0, input = 0, channel = 0, comport = 0, node_id = 0, width = 0, decimal = 0;
    std::string computer, label, symbol;  // UTF-8
};

// One record: the time (that of its first unit; none when the log has no
// units) and, per unit, the value (none when it is not a number) and the error.
struct RecordFields {
    std::optional<double> time;
    std::vector<std::optional<double>> values;
    std::vector<std::int16_t> errors;
};

Expected<HeaderFields, std::string> read_header(ILog* log, ILogInfo* info);
// The `count` items of the header that read_header gave.
Expected<std::vector<ItemFields>, std::string> read_items(ILogInfo* info, std::int32_t count);

// Log.Item(index) taken apart into `out`, whose vectors are reused from record
// to record; false when the module cannot read that record.
bool read_record(ILog* log, std::int32_t index, RecordFields& out);

// The names of the flags set, in the order the viewer lists them:
// "Basic Errors", "Detailed Errors", "Error Log (HOLD)", "Cyclic Log".
std::vector<std::string_view> flag_names(std::int16_t cyclic_flags, std::int16_t error_flags);

// "Label (Symbol)", or the label alone when the symbol is empty.
std::string column_name(const ItemFields& item);

}  // namespace corvex::cli
