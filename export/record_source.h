// Reading an open log through the published interfaces, for everything that
// reads records: both exports, the tool's dump and info, the viewer's table
// and plot. The header and the items are read once; records come in runs
// (blocks), through the module's block reads (ILogBlocks) when it offers them
// and through Log.Item and LogRecord.Item otherwise, with the same numbers
// either way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"

namespace corvex::exporting {

// A log never has more channels than this; a count beyond it is not trusted.
inline constexpr std::int32_t kMaxUnits = 12;
// The run of records a reader asks for at a time: large enough that a call
// per run costs nothing, small enough to stay in the cache.
inline constexpr std::int32_t kRecordsPerRun = 4096;

struct HeaderFields {
    double start_time = 0;
    double end_time = 0;
    std::int16_t interval = 0;
    std::int16_t cyclic_flags = 0;
    std::int16_t error_flags = 0;
    std::int32_t record_count = 0;   // Log.Count (0 when the module answers less)
    std::int32_t item_count = 0;     // LogInfo.Count, 0 to kMaxUnits
};

struct ItemFields {
    std::int16_t unit_type = 0, input = 0, channel = 0, comport = 0, node_id = 0, width = 0, decimal = 0;
    std::string computer, label, symbol;   // UTF-8
};

// What the module did not answer.
struct SourceError {
    enum class What {
        NoLog,       // no log object
        NoLogInfo,   // GetLogInfo failed: no log is open
        Header,      // a property of the header (`call`)
        Item,        // a property of item `index` (`call`)
        UnitCount,   // LogInfo.Count beyond kMaxUnits (`index` holds it)
    };
    What what = What::NoLog;
    std::string call;        // "LogInfo.StartTime", "LogItem.Label", ...
    std::int32_t index = 0;
    HRESULT status = S_OK;
};

// A run of records: entry i is record first + i of the log.
struct RecordBlock {
    std::int32_t first = 0;
    std::int32_t count = 0;   // records delivered
    std::int32_t units = 0;   // per record: the log's item count
    std::vector<double> times;
    std::vector<double> values;          // count * units, record-major
    std::vector<std::int16_t> errors;    // count * units
    // Values the module gave in a form that is no number (only a module
    // without block reads can); empty when there is none.
    std::vector<std::uint8_t> missing;

    // The record's time: that of its units; none for a log without units.
    bool has_time() const { return units > 0; }
    double time(std::int32_t i) const { return times[static_cast<std::size_t>(i)]; }
    double value(std::int32_t i, std::int32_t k) const { return values[at(i, k)]; }
    bool has_value(std::int32_t i, std::int32_t k) const { return missing.empty() || !missing[at(i, k)]; }
    std::int16_t error(std::int32_t i, std::int32_t k) const { return errors[at(i, k)]; }

private:
    std::size_t at(std::int32_t i, std::int32_t k) const {
        return static_cast<std::size_t>(i) * static_cast<std::size_t>(units) + static_cast<std::size_t>(k);
    }
};

class RecordSource {
public:
    // Reads the header and every item; fails when the module cannot answer.
    static Expected<RecordSource, SourceError> open(ILog* log);

    const HeaderFields& header() const { return header_; }
    const std::vector<ItemFields>& items() const { return items_; }
    // Whether runs come through the module's block reads.
    bool reads_blocks() const { return static_cast<bool>(blocks_); }
    // Reads records first .. first + wanted - 1 into `block`, reusing its
    // storage. Fewer are delivered when a record the module cannot read (or
    // the end of the log) ends the run: that record is block.first + block.count.
    void read(std::int32_t first, std::int32_t wanted, RecordBlock& block) const;

private:
    RecordSource() = default;
    void read_objects(std::int32_t first, std::int32_t wanted, RecordBlock& block) const;

    platform::ComPtr<ILog> log_;
    platform::ComPtr<ILogInfo> info_;
    platform::ComPtr<ILogBlocks> blocks_;   // null: the module reads no blocks
    HeaderFields header_;
    std::vector<ItemFields> items_;
};

// "Label (Symbol)": the name of a unit's column. Without a symbol the label
// alone, unless the parentheses are always written.
enum class EmptySymbol { LabelAlone, EmptyParentheses };
std::string column_name(const ItemFields& item, EmptySymbol empty_symbol);

// The names of the flags set, in the order the viewer lists them:
// "Basic Errors", "Detailed Errors", "Error Log (HOLD)", "Cyclic Log".
std::vector<std::string_view> flag_names(std::int16_t cyclic_flags, std::int16_t error_flags);

}  // namespace corvex::exporting
