// The log readers' common interface and the header layouts they decode.
//
// A reader owns one open log file of one format and knows how to find, count
// and decode its records. Its file position is the log's single read position:
// every operation of the Log session that reads, moves or counts shares it.
// Readers report failure by results, never by exceptions.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "corvex/log_flags.h"
#include "logmodule/formats/log_header.h"
#include "logmodule/formats/record_run.h"

namespace corvex::formats {

using log_flags::kBasicErrors;
using log_flags::kCyclicLog;
using log_flags::kDetailedErrors;
using log_flags::kErrorLogHold;

// Channel lists passed to ReadRecord: ascending channel indexes ended by -1.
inline constexpr std::int32_t kEndOfChannels = -1;
// A null channel list means 0, 1, ..., 11 and then -1.
inline constexpr int kChannelSlots = 12;
// The list a null channel list stands for.
inline constexpr std::int32_t kDefaultChannels[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, kEndOfChannels};
// Error places a caller must provide to ReadRecord: twice the channel slots.
inline constexpr int kErrorPlaces = 2 * kChannelSlots;

// One 84-byte item slot of a PC log, with the trailing spaces of each text
// field replaced by NULs (a full field has no terminator).
struct PcItem {
    std::array<char, 32> computer{};
    std::array<char, 32> label{};
    std::array<char, 8> symbol{};
    std::int16_t comport = 0;
    std::int16_t node_id = 0;
    std::int16_t channel = 0;
    std::int16_t unit_type = 0;
    std::int16_t width = 0;
    std::int16_t decimal = 0;
};

struct PcHeader {
    CommonHeader common;
    std::array<PcItem, kChannelSlots> items{};  // slots after the end marker hold zeros
    int active_items = 0;                        // items before the end marker with UnitType != 0
};

struct MeterDescriptor {
    std::int16_t channel = 0;
    std::int16_t unit_type = 0;
    std::int16_t input = 0;  // 0 for a compact meter log
};

// The meter-log header layout, in machine byte order. A compact meter log's
// header is also held in this layout once open (signature 0xA5, inputs 0).
struct MeterHeader {
    std::uint8_t signature = 0;
    std::uint8_t type_code = 0;
    CommonHeader common;
    std::array<MeterDescriptor, kChannelSlots> descriptors{};

    // Leading descriptors with a non-zero unit type, stopping at the first zero.
    int active_channels() const;
};

// How a meter log's type code packs its values: code 2 a signed 16-bit
// integer, 3 a signed 32-bit integer, 5 a double, 4 and every other code a
// single-precision float.
ValueEncoding meter_value_encoding(std::uint8_t type_code);

class LogReader {
public:
    virtual ~LogReader() = default;

    // Places the position at the start of the first record.
    virtual bool Rewind() = 0;
    // Places the position at the start of the last counted record.
    virtual bool SeekLast() = 0;
    // Moves by whole records; whence 0 from the first record, 1 from the
    // current position, 2 from the end. The result differs between readers.
    virtual std::int32_t SeekRecords(std::int32_t n, std::int32_t whence) = 0;
    virtual std::uint16_t RecordSize() = 0;
    virtual std::int32_t RecordCount() = 0;
    // Decodes the record at the position and leaves the position at the next
    // record. Any pointer may be null. `values` receives the selected channels'
    // values packed (8-byte doubles for the PC log, the type code's width for
    // the meter logs, in machine order); `errors` needs kErrorPlaces places.
    virtual bool ReadRecord(double* time, void* values, std::int16_t* errors, const std::int32_t* channels) = 0;
    // Reads up to `count` records from the position on into `run`, exactly as
    // that many ReadRecord calls with the default channel list would, with the
    // values widened to doubles, and returns the number delivered. The first
    // record that ReadRecord refuses ends the run, and the position is left
    // where that call leaves it; after a full run it is at the next record.
    // Nothing is delivered (and nothing moves) when run.units is not 0 to 12.
    virtual std::int32_t ReadRecords(std::int32_t count, const RecordRun& run) = 0;

    LogReader() = default;
    LogReader(const LogReader&) = delete;
    LogReader& operator=(const LogReader&) = delete;
};

}  // namespace corvex::formats
