#include "logmodule/formats/compact_meter_log_reader.h"

#include "logmodule/formats/byte_order.h"

namespace corvex::formats {

CompactMeterLogReader::CompactMeterLogReader() : MeterFamilyReader(0, kHeaderSize) {}

bool CompactMeterLogReader::decode(std::span<const std::uint8_t> raw, MeterHeader& out) {
    if (raw.size() < static_cast<std::size_t>(kHeaderSize)) return false;
    const std::uint8_t* p = raw.data();
    out = MeterHeader{};
    out.signature = p[0];
    out.type_code = p[1];
    out.common.cyclic_flags = load_i16_be(p + 2);
    out.common.error_flags = load_i16_be(p + 4);
    out.common.start_time = load_f64_be(p + 6);
    out.common.end_time = load_f64_be(p + 14);
    out.common.interval = load_i16_be(p + 22);
    for (std::size_t i = 0; i < out.descriptors.size(); ++i) {
        const std::uint8_t* d = p + 24 + 4 * i;
        out.descriptors[i] = {load_i16_be(d), load_i16_be(d + 2), 0};
    }
    return out.signature == kSignature;
}

int CompactMeterLogReader::value_slots(const MeterHeader& header) {
    int n = 0;
    for (const MeterDescriptor& d : header.descriptors)
        if (d.unit_type != 0) ++n;
    return n;
}

}  // namespace corvex::formats
