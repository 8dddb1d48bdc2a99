#include "logmodule/formats/recognition.h"

#include "logmodule/formats/compact_meter_log_reader.h"
#include "logmodule/formats/meter_log_reader.h"
#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

Recognition recognise_log(ByteSource& probe) {
    std::uint8_t compact[CompactMeterLogReader::kHeaderSize];
    read_zero_filled(probe, 0, compact, sizeof compact);
    if (compact[0] == CompactMeterLogReader::kSignature && compact[1] < kCompactTypeCodeLimit)
        return {LogFormat::CompactMeter, 0};

    for (const std::int32_t offset : kMeterHeaderOffsets) {
        std::uint8_t meter[MeterLogReader::kHeaderSize];
        read_zero_filled(probe, offset, meter, sizeof meter);
        if (meter[2] == MeterLogReader::kSignature) return {LogFormat::Meter, offset};
    }
    return {LogFormat::Pc, 0};
}

}  // namespace corvex::formats
