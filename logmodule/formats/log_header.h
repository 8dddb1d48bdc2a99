// What the log session knows of an open log, whatever its format: the header
// fields every format has, one entry per channel, and how ReadRecord packs the
// values. Each format's descriptor builds it from its own header layout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace corvex::formats {

// Header fields common to every format, in machine byte order.
struct CommonHeader {
    std::int16_t cyclic_flags = 0;
    std::int16_t error_flags = 0;
    double start_time = 0;
    double end_time = 0;
    std::int16_t interval = 0;
};

// One channel: what every unit of it carries, and the item's description.
struct ChannelEntry {
    std::int16_t channel = 0;
    std::int16_t unit_type = 0;
    std::int16_t input = 0;
    // Texts as the file holds them (Windows-1252 bytes), without padding.
    std::string computer, label, symbol;
    // The label and symbol are the unit type's names in the unit catalogue
    // (the file holds no texts for the channel).
    bool named_by_unit_type = false;
    std::int16_t comport = 0, node_id = 0, width = 0, decimal = 0;
};

// How ReadRecord packs each value: its width and how it widens to a double.
enum class ValueEncoding { Double, Int16, Int32, Float };

struct LogHeader {
    CommonHeader common;
    std::vector<ChannelEntry> channels;   // the log's channels in order, at most 12
    ValueEncoding values = ValueEncoding::Double;
};

// Bytes one value of `encoding` takes in ReadRecord's values buffer.
int encoded_width(ValueEncoding encoding);
// One packed value (machine order) widened exactly to a double.
double widen(ValueEncoding encoding, const void* packed);

}  // namespace corvex::formats
