// Reader of the compact meter log: a 72-byte big-endian header at offset 0
// (signature 0xA5 at byte 0), then meter-log records from offset 72. Its
// header is held in the meter-log layout, with every input 0.
#pragma once

#include <cstdint>

#include "logmodule/formats/meter_family_reader.h"

namespace corvex::formats {

class CompactMeterLogReader final : public MeterFamilyReader {
public:
    static constexpr std::int64_t kHeaderSize = 72;
    static constexpr std::uint8_t kSignature = 0xA5;

    CompactMeterLogReader();

    // Decodes a 72-byte compact header into the meter layout; false when
    // byte 0 is not 0xA5.
    static bool decode(std::span<const std::uint8_t> raw, MeterHeader& out);
    // Every descriptor with a non-zero unit type holds a value slot: unlike
    // the meter log, counting does not stop at the first unused descriptor.
    static int value_slots(const MeterHeader& header);

protected:
    bool decode_header(std::span<const std::uint8_t> raw, MeterHeader& out) const override { return decode(raw, out); }
    int count_value_channels(const MeterHeader& header) const override { return value_slots(header); }
    bool counts_record_error_word() const override { return true; }
};

}  // namespace corvex::formats
