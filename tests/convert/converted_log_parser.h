// Reads a converted log back, field by field, without any of the converter's
// code: little-endian values are assembled from bytes here.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::convert::testing {

struct ParsedItem {
    std::string computer, label, symbol;  // raw field bytes, 32 / 32 / 8
    std::int16_t comport = 0, node_id = 0, channel = 0, unit_type = 0, width = 0, decimal = 0;
    std::string raw;  // all 84 bytes
};

struct ParsedEntry {
    double time = 0;
    std::uint64_t value_bits = 0;
    std::int16_t error = 0;
};

struct ParsedLog {
    std::uint8_t signature[2] = {0, 0};
    std::int16_t cyclic_flags = 0, error_flags = 0, interval = 0;
    double start_time = 0, end_time = 0;
    std::array<ParsedItem, 12> items;
    int items_before_end = 0;                  // items before the first end marker
    std::vector<std::vector<ParsedEntry>> records;
    std::size_t trailing = 0;                  // bytes after the last whole record
};

inline std::uint64_t le(std::string_view b, std::size_t at, int width) {
    std::uint64_t v = 0;
    for (int i = width - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
    return v;
}
inline std::int16_t le16(std::string_view b, std::size_t at) { return static_cast<std::int16_t>(le(b, at, 2)); }
inline double le_double(std::string_view b, std::size_t at) {
    const std::uint64_t bits = le(b, at, 8);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline std::optional<ParsedLog> parse_converted(std::string_view b) {
    if (b.size() < 1032) return std::nullopt;
    ParsedLog log;
    log.signature[0] = static_cast<std::uint8_t>(b[0]);
    log.signature[1] = static_cast<std::uint8_t>(b[1]);
    log.cyclic_flags = le16(b, 2);
    log.error_flags = le16(b, 4);
    log.start_time = le_double(b, 6);
    log.end_time = le_double(b, 14);
    log.interval = le16(b, 22);
    bool ended = false;
    for (std::size_t k = 0; k < 12; ++k) {
        const std::size_t at = 24 + 84 * k;
        ParsedItem& item = log.items[k];
        item.raw = std::string(b.substr(at, 84));
        item.computer = std::string(b.substr(at, 32));
        item.label = std::string(b.substr(at + 32, 32));
        item.symbol = std::string(b.substr(at + 64, 8));
        item.comport = le16(b, at + 72);
        item.node_id = le16(b, at + 74);
        item.channel = le16(b, at + 76);
        item.unit_type = le16(b, at + 78);
        item.width = le16(b, at + 80);
        item.decimal = le16(b, at + 82);
        if (item.unit_type == -1) ended = true;
        if (!ended) ++log.items_before_end;
    }
    const std::size_t record_size = 18 * static_cast<std::size_t>(log.items_before_end);
    std::size_t at = 1032;
    if (record_size == 0) {
        log.trailing = b.size() - at;
        return log;
    }
    while (at + record_size <= b.size()) {
        std::vector<ParsedEntry> record;
        for (int k = 0; k < log.items_before_end; ++k, at += 18)
            record.push_back({le_double(b, at), le(b, at + 8, 8), le16(b, at + 16)});
        log.records.push_back(std::move(record));
    }
    log.trailing = b.size() - at;
    return log;
}

}  // namespace corvex::convert::testing
