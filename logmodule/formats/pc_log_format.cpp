// The PC log: a little-endian file. Recognition takes any file that no other
// format claims, so the PC reader's own checks give the verdict.
#include "logmodule/formats/byte_order.h"
#include "logmodule/formats/diagnosis.h"
#include "logmodule/formats/log_format.h"
#include "logmodule/formats/pc_log_reader.h"
#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

namespace {

constexpr std::int32_t kHeaderOffsets[] = {0};

bool recognise(ByteSource&, std::int32_t) { return true; }

std::optional<OpenedReader> open(const SourceOpener& open_source, std::unique_ptr<ByteSource> probe, std::int32_t) {
    // The PC reader opens while the probe is still open.
    auto reader = std::make_unique<PcLogReader>();
    const std::int32_t result = reader->OpenByteSource(open_source());
    probe.reset();
    if (result < 0) return std::nullopt;
    reader->Rewind();
    LogHeader header = reader->log_header();
    return OpenedReader{std::move(reader), std::move(header)};
}

std::string explain(ByteSource& source, std::int64_t length, std::int32_t) {
    const std::string start = "PC log (" + first_bytes(source, length) + ")";
    const auto too_short = [&] {
        return start + format_line(": file is %lld bytes, a PC log needs at least %lld (header, item table and one record)",
                                   static_cast<long long>(length), static_cast<long long>(PcLogReader::kMinimumLength));
    };
    std::uint8_t sig[2] = {};
    read_zero_filled(source, 0, sig, 2);
    const std::uint16_t word = load_u16_le(sig);
    // Named before any other check: whatever its length, it is no PC log.
    if (length >= 2 && word == 0x5BB5)
        return start + ": signature at offset 0 is 0x5BB5, the converted log's, which is written but not read back";
    if (length - PcLogReader::kCountSubtrahend < 86) return too_short();
    if (word != PcLogReader::kSignature)
        return start + format_line(": signature at offset 0 is 0x%04X, expected 0x5AA5; no other format matches either "
                                   "(0xA5 at offset 0 with a type code below 25, or 0xA6 at offset 2, 70 or 42)",
                                   word);
    if (length < PcLogReader::kMinimumLength) return too_short();
    return start + ": header or item table could not be read in full";
}

}  // namespace

extern const LogFormat kPcLogFormat{"PC log", "pc", kHeaderOffsets, recognise, open, explain};

}  // namespace corvex::formats
