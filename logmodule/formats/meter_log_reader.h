// Reader of the meter log: a 98-byte big-endian header at offset 0, 68 or 40
// (signature 0xA6 at header byte 2), then records from header offset + 98.
#pragma once

#include <cstdint>

#include "logmodule/formats/meter_family_reader.h"

namespace corvex::formats {

class MeterLogReader final : public MeterFamilyReader {
public:
    static constexpr std::int64_t kHeaderSize = 98;
    static constexpr std::uint8_t kSignature = 0xA6;

    explicit MeterLogReader(std::int32_t header_offset);

    // Decodes a 98-byte meter header; false when byte 2 is not 0xA6.
    static bool decode(std::span<const std::uint8_t> raw, MeterHeader& out);

protected:
    bool decode_header(std::span<const std::uint8_t> raw, MeterHeader& out) const override { return decode(raw, out); }
    // Leading descriptors with a non-zero unit type.
    int count_value_channels(const MeterHeader& header) const override { return header.active_channels(); }
    bool counts_record_error_word() const override { return false; }
};

}  // namespace corvex::formats
