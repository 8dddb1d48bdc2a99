#include "logmodule/formats/meter_log_reader.h"

#include "logmodule/formats/byte_order.h"

namespace corvex::formats {

MeterLogReader::MeterLogReader(std::int32_t header_offset) : MeterFamilyReader(header_offset, kHeaderSize) {}

bool MeterLogReader::decode(std::span<const std::uint8_t> raw, MeterHeader& out) {
    if (raw.size() < static_cast<std::size_t>(kHeaderSize)) return false;
    const std::uint8_t* p = raw.data();
    out = MeterHeader{};
    out.signature = p[2];
    out.type_code = p[3];
    out.common.cyclic_flags = load_i16_be(p + 4);
    out.common.error_flags = load_i16_be(p + 6);
    out.common.start_time = load_f64_be(p + 8);
    out.common.end_time = load_f64_be(p + 16);
    out.common.interval = load_i16_be(p + 24);
    for (std::size_t i = 0; i < out.descriptors.size(); ++i) {
        const std::uint8_t* d = p + 26 + 6 * i;
        out.descriptors[i] = {load_i16_be(d), load_i16_be(d + 2), load_i16_be(d + 4)};
    }
    return out.signature == kSignature;
}

}  // namespace corvex::formats
