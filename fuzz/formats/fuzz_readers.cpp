// Fuzz driver over the log readers: the bytes go through recognition and
// opening as a file would, and through every format's reader at each of its
// header offsets, whatever the recognition says. Every operation of an opened
// reader is exercised.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "logmodule/formats/open_log.h"

namespace {

using namespace corvex::formats;

void exercise(LogReader& reader) {
    double time = 0;
    std::uint8_t values[kChannelSlots * 8];
    std::int16_t errors[kErrorPlaces];
    static constexpr std::int32_t kSkipping[] = {1, 3, 11, kEndOfChannels};
    const std::int32_t count = reader.RecordCount();
    reader.Rewind();
    // A count is capped by the bytes (every record is at least 8 bytes), so
    // this loop is bounded by the input's size.
    for (std::int32_t r = 0; r <= count; ++r) reader.ReadRecord(&time, values, errors, r % 2 ? kSkipping : nullptr);
    reader.ReadRecord(nullptr, nullptr, nullptr, nullptr);
    reader.SeekLast();
    reader.ReadRecord(&time, values, errors, nullptr);
    for (std::int32_t whence = 0; whence <= 3; ++whence) {
        reader.SeekRecords(-1, whence);
        reader.ReadRecord(&time, values, errors, nullptr);
        reader.SeekRecords(1, whence);
        reader.ReadRecord(&time, nullptr, errors, kSkipping);
    }
    reader.SeekRecords(0x7FFFFFFF, 0);
    reader.ReadRecord(&time, values, errors, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    if (auto opened = open_log_bytes(bytes)) exercise(*opened->reader);
    (void)explain_rejection_bytes(bytes);

    const SourceOpener memory = [bytes] { return std::unique_ptr<ByteSource>(std::make_unique<MemoryByteSource>(bytes)); };
    for (const LogFormat* format : log_formats()) {
        for (const std::int32_t offset : format->header_offsets) {
            if (auto opened = format->open(memory, memory(), offset)) exercise(*opened->reader);
            MemoryByteSource source(bytes);
            (void)format->explain(source, static_cast<std::int64_t>(size), offset);
        }
    }
    return 0;
}
