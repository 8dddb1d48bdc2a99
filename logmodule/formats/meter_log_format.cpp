// The meter log: a big-endian 98-byte header at offset 0, 68 or 40, tried in
// that order, recognised by its signature byte 0xA6 at header byte 2.
#include "logmodule/formats/diagnosis.h"
#include "logmodule/formats/log_format.h"
#include "logmodule/formats/meter_log_reader.h"
#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

namespace {

constexpr std::int32_t kHeaderOffsets[] = {0, 68, 40};

bool recognise(ByteSource& probe, std::int32_t offset) {
    std::uint8_t header[MeterLogReader::kHeaderSize];
    read_zero_filled(probe, offset, header, sizeof header);
    return header[2] == MeterLogReader::kSignature;
}

std::optional<OpenedReader> open(const SourceOpener& open_source, std::unique_ptr<ByteSource> probe,
                                 std::int32_t header_offset) {
    probe.reset();
    auto reader = std::make_unique<MeterLogReader>(header_offset);
    if (reader->OpenByteSource(open_source()) != kOpenOk) return std::nullopt;
    reader->Rewind();
    LogHeader header = reader->log_header();
    return OpenedReader{std::move(reader), std::move(header)};
}

std::string explain(ByteSource& source, std::int64_t length, std::int32_t offset) {
    const std::int64_t header_end = offset + MeterLogReader::kHeaderSize;
    if (length < header_end)
        return format_line("meter log at header offset %d: file is %lld bytes, the %lld-byte header ends at offset %lld",
                           offset, static_cast<long long>(length), static_cast<long long>(MeterLogReader::kHeaderSize),
                           static_cast<long long>(header_end));
    std::uint8_t signature = 0;
    read_zero_filled(source, offset + 2, &signature, 1);
    return format_line("meter log at header offset %d: signature byte at offset %d is 0x%02X, expected 0x%02X", offset,
                       offset + 2, signature, MeterLogReader::kSignature);
}

}  // namespace

extern const LogFormat kMeterLogFormat{"meter log", "meter", kHeaderOffsets, recognise, open, explain};

}  // namespace corvex::formats
