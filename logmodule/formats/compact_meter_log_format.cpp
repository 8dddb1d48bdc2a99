// The compact meter log: a big-endian 72-byte header at offset 0, recognised
// by 0xA5 in its first byte and a type code below 25 in its second.
#include "logmodule/formats/compact_meter_log_reader.h"
#include "logmodule/formats/diagnosis.h"
#include "logmodule/formats/log_format.h"
#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

namespace {

constexpr std::uint8_t kTypeCodeLimit = 25;
constexpr std::int32_t kHeaderOffsets[] = {0};

bool recognise(ByteSource& probe, std::int32_t) {
    std::uint8_t first[2];
    read_zero_filled(probe, 0, first, sizeof first);
    return first[0] == CompactMeterLogReader::kSignature && first[1] < kTypeCodeLimit;
}

std::optional<OpenedReader> open(const SourceOpener& open_source, std::unique_ptr<ByteSource> probe, std::int32_t) {
    probe.reset();
    auto reader = std::make_unique<CompactMeterLogReader>();
    if (reader->OpenByteSource(open_source()) != kOpenOk) return std::nullopt;
    reader->Rewind();
    // Held in the meter-log layout from here on.
    LogHeader header = reader->log_header();
    return OpenedReader{std::move(reader), std::move(header)};
}

std::string explain(ByteSource& source, std::int64_t length, std::int32_t) {
    std::uint8_t b[2] = {};
    read_zero_filled(source, 0, b, 2);
    return format_line("compact meter log (first bytes %02X %02X): file is %lld bytes, the %lld-byte header needs %lld",
                       b[0], b[1], static_cast<long long>(length),
                       static_cast<long long>(CompactMeterLogReader::kHeaderSize),
                       static_cast<long long>(CompactMeterLogReader::kHeaderSize));
}

}  // namespace

extern const LogFormat kCompactMeterLogFormat{"compact meter log", "compact_meter", kHeaderOffsets, recognise, open, explain};

}  // namespace corvex::formats
