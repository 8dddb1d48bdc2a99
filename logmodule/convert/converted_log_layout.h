// The converted log: the PC log's little-endian header and item table under
// its own signature, followed by records of one 18-byte entry per item.
//
//   header   24 bytes: signature B5 5B, cyclic flags, error flags, start time,
//                      end time, interval
//   items    12 slots of 84 bytes: the source's channels in order, then end
//                      markers (all zero but UnitType 0xFFFF) up to twelve
//   records  from byte 1,032: per record one entry per item before the first
//                      end marker: time (8), value (8), error word (2)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "logmodule/convert/little_endian_writer.h"

namespace corvex::convert {

inline constexpr std::uint16_t kConvertedSignature = 0x5BB5;
inline constexpr std::size_t kHeaderSize = 24;
inline constexpr std::size_t kItemSize = 84;
inline constexpr std::size_t kItemSlots = 12;
inline constexpr std::size_t kRecordsOffset = kHeaderSize + kItemSlots * kItemSize;  // 1,032
inline constexpr std::size_t kEntrySize = 18;
inline constexpr std::size_t kComputerWidth = 32;
inline constexpr std::size_t kLabelWidth = 32;
inline constexpr std::size_t kSymbolWidth = 8;
inline constexpr std::uint16_t kEndMarkerUnitType = 0xFFFF;
// Every converted item gets the display format of a meter channel.
inline constexpr std::int16_t kItemWidth = 12;
inline constexpr std::int16_t kItemDecimal = 4;

struct ConvertedHeader {
    std::int16_t cyclic_flags = 0;
    std::int16_t error_flags = 0;
    double start_time = 0;
    double end_time = 0;
    std::int16_t interval = 0;
};

struct ConvertedItem {
    std::u16string_view computer, label, symbol;
    std::int16_t comport = 0, node_id = 0, channel = 0, unit_type = 0;
};

struct ConvertedEntry {
    double time = 0;
    double value = 0;
    std::int16_t error = 0;
};

// A text field of `width` bytes: the text up to its first NUL, each character
// in Windows-1252 ('?' where the code page lacks it), cut to the width and
// padded with spaces. A field that is full has no terminator.
std::string fixed_text(std::u16string_view text, std::size_t width);

void write_header(LittleEndianWriter& out, const ConvertedHeader& header);
void write_item(LittleEndianWriter& out, const ConvertedItem& item);
void write_end_marker(LittleEndianWriter& out);
void write_entry(LittleEndianWriter& out, const ConvertedEntry& entry);

}  // namespace corvex::convert
