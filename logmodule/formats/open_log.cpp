#include "logmodule/formats/open_log.h"

#include "logmodule/formats/compact_meter_log_reader.h"
#include "logmodule/formats/meter_log_reader.h"
#include "logmodule/formats/pc_log_reader.h"

namespace corvex::formats {

namespace {

SourceOpener file_opener(const std::string& path) {
    return [path]() -> std::unique_ptr<ByteSource> { return FileByteSource::open(path); };
}

SourceOpener memory_opener(std::span<const std::uint8_t> bytes) {
    return [bytes]() -> std::unique_ptr<ByteSource> { return std::make_unique<MemoryByteSource>(bytes); };
}

}  // namespace

corvex::Expected<OpenedLog, OpenError> open_log_from(const SourceOpener& open_source) {
    std::unique_ptr<ByteSource> probe = open_source();
    if (!probe) return Unexpected{OpenError::CannotOpen};
    const Recognition found = recognise_log(*probe);

    if (found.format == LogFormat::Pc) {
        // The PC reader opens while the probe is still open.
        auto reader = std::make_unique<PcLogReader>();
        const std::int32_t result = reader->OpenByteSource(open_source());
        probe.reset();
        if (result < 0) return Unexpected{OpenError::Rejected};
        reader->Rewind();
        PcHeader header = reader->header();
        return OpenedLog{found.format, 0, std::move(reader), std::move(header)};
    }

    probe.reset();
    std::unique_ptr<MeterFamilyReader> reader;
    if (found.format == LogFormat::CompactMeter)
        reader = std::make_unique<CompactMeterLogReader>();
    else
        reader = std::make_unique<MeterLogReader>(found.header_offset);
    if (reader->OpenByteSource(open_source()) != kOpenOk) return Unexpected{OpenError::Rejected};
    reader->Rewind();
    MeterHeader header = reader->header();
    return OpenedLog{found.format, found.header_offset, std::move(reader), std::move(header)};
}

corvex::Expected<OpenedLog, OpenError> open_log(const std::string& utf8_path) {
    return open_log_from(file_opener(utf8_path));
}

corvex::Expected<OpenedLog, OpenError> open_log_bytes(std::span<const std::uint8_t> bytes) {
    return open_log_from(memory_opener(bytes));
}

std::string explain_rejection(const std::string& utf8_path) { return explain_rejection_from(file_opener(utf8_path)); }

std::string explain_rejection_bytes(std::span<const std::uint8_t> bytes) {
    return explain_rejection_from(memory_opener(bytes));
}

}  // namespace corvex::formats
