// The readable reason for a rejection, kept apart from the verdict: the
// verdict is always the real open's, and only a rejected file is examined
// further to say which check failed and where.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "logmodule/formats/byte_order.h"
#include "logmodule/formats/compact_meter_log_reader.h"
#include "logmodule/formats/meter_log_reader.h"
#include "logmodule/formats/open_log.h"
#include "logmodule/formats/pc_log_reader.h"
#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

namespace {

__attribute__((format(printf, 1, 2))) std::string format(const char* fmt, ...) {
    char line[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(line, sizeof line, fmt, args);
    va_end(args);
    return line;
}

std::string first_bytes(ByteSource& source, std::int64_t length) {
    if (length <= 0) return "an empty file";
    std::uint8_t b[2] = {};
    read_zero_filled(source, 0, b, 2);
    return length == 1 ? format("first byte %02X", b[0]) : format("first bytes %02X %02X", b[0], b[1]);
}

std::string explain_compact(ByteSource& source, std::int64_t length) {
    std::uint8_t b[2] = {};
    read_zero_filled(source, 0, b, 2);
    return format("compact meter log (first bytes %02X %02X): file is %lld bytes, the %lld-byte header needs %lld",
                  b[0], b[1], static_cast<long long>(length), static_cast<long long>(CompactMeterLogReader::kHeaderSize),
                  static_cast<long long>(CompactMeterLogReader::kHeaderSize));
}

std::string explain_meter(ByteSource& source, std::int64_t length, std::int32_t offset) {
    const std::int64_t header_end = offset + MeterLogReader::kHeaderSize;
    if (length < header_end)
        return format("meter log at header offset %d: file is %lld bytes, the %lld-byte header ends at offset %lld",
                      offset, static_cast<long long>(length), static_cast<long long>(MeterLogReader::kHeaderSize),
                      static_cast<long long>(header_end));
    std::uint8_t sig = 0;
    read_zero_filled(source, offset + 2, &sig, 1);
    return format("meter log at header offset %d: signature byte at offset %d is 0x%02X, expected 0x%02X", offset,
                  offset + 2, sig, MeterLogReader::kSignature);
}

std::string explain_pc(ByteSource& source, std::int64_t length) {
    const std::string start = "PC log (" + first_bytes(source, length) + ")";
    const auto too_short = [&] {
        return start + format(": file is %lld bytes, a PC log needs at least %lld (header, item table and one record)",
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
        return start + format(": signature at offset 0 is 0x%04X, expected 0x5AA5; no other format matches either "
                              "(0xA5 at offset 0 with a type code below 25, or 0xA6 at offset 2, 70 or 42)",
                              word);
    if (length < PcLogReader::kMinimumLength) return too_short();
    return start + ": header or item table could not be read in full";
}

}  // namespace

std::string explain_rejection_from(const SourceOpener& open_source) {
    if (open_log_from(open_source)) return {};
    std::unique_ptr<ByteSource> source = open_source();
    if (!source) return "cannot open the file for reading";
    const std::int64_t length = source->size();
    const Recognition found = recognise_log(*source);
    switch (found.format) {
    case LogFormat::CompactMeter:
        return explain_compact(*source, length);
    case LogFormat::Meter:
        return explain_meter(*source, length, found.header_offset);
    case LogFormat::Pc:
        break;
    }
    return explain_pc(*source, length);
}

}  // namespace corvex::formats
