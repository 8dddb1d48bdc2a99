// Writes log files of every layout the log module knows, byte for byte, from a
// description in code. Tests build their fixtures with it, the sample logs are
// made with it, and it seeds the fuzzers. It shares no code with the readers,
// so a byte-order or layout slip in one is not mirrored in the other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace corvex::logwriter {

enum class Format { Pc, Meter, CompactMeter, Converted };

// One channel: a PC/converted item slot, or a meter descriptor.
struct Channel {
    std::int16_t channel = 0, unit_type = 0, input = 0;  // input: meter logs only
    std::string computer, label, symbol;                 // PC/converted only; raw bytes, padded with spaces, cut to 32/32/8
    std::int16_t comport = 0, node_id = 0, width = 12, decimal = 4;  // PC/converted only
};

struct Record {
    double time = 0;
    std::vector<double> values;        // one per channel; missing ones are 0. Meter logs store them at the type code's width
    std::vector<std::int16_t> errors;  // per channel (PC entries; meter detailed errors); missing ones are 0
    std::int16_t record_error = 0;     // meter basic-errors word
};

struct LogDescription {
    Format format = Format::Pc;
    std::int32_t header_offset = 0;  // meter log: 0, 68 or 40 (preamble bytes are zeros unless `preamble` is given)
    std::string preamble;            // optional bytes for the meter log's preamble and header bytes 0-1
    std::uint8_t type_code = 5;      // meter logs
    std::int16_t cyclic_flags = 0, error_flags = 0, interval = 1;
    double start_time = 0, end_time = 0;
    std::vector<Channel> channels;  // PC/converted: item slots in order, then end markers up to 12 slots; meter: descriptors (rest zero)
    std::vector<Record> records;    // PC: all 12 entries written per record, each entry's time = record time
    std::string trailing_bytes;     // junk appended after the records
    std::optional<std::size_t> truncate_to;  // cut the finished file to this length
};

// The file's bytes.
std::string build_log(const LogDescription& desc);
// Writes build_log(desc) to `path`; throws std::runtime_error on I/O failure.
void write_log(const std::filesystem::path& path, const LogDescription& desc);

// Value slots in each record of a meter-family log: leading descriptors with a
// non-zero unit type (meter), or all of them (compact).
int record_value_slots(const LogDescription& desc);
// Bytes of one record of `desc`.
std::size_t record_bytes(const LogDescription& desc);
// Where the records start.
std::size_t data_start(const LogDescription& desc);

}  // namespace corvex::logwriter
