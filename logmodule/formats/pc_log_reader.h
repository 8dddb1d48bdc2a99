// Reader of the PC log: a little-endian file with a 24-byte header, twelve
// 84-byte item slots and fixed 216-byte records from offset 1,032.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "logmodule/formats/byte_source.h"
#include "logmodule/formats/log_reader.h"

namespace corvex::formats {

class PcLogReader final : public LogReader {
public:
    static constexpr std::int64_t kHeaderSize = 24;
    static constexpr std::int64_t kItemSize = 84;
    static constexpr std::int64_t kDataStart = kHeaderSize + kChannelSlots * kItemSize;  // 1,032
    static constexpr std::int64_t kEntrySize = 18;
    static constexpr std::int64_t kRecordSize = kChannelSlots * kEntrySize;  // 216
    // The record count is (file length - 1,056) / 216: 24 more than the data
    // start, so a file that ends exactly on a record boundary does not count
    // its last record (it can still be read by reading on).
    static constexpr std::int64_t kCountSubtrahend = 1056;
    // Smallest file that passes: one counted record.
    static constexpr std::int64_t kMinimumLength = kCountSubtrahend + kRecordSize;  // 1,272
    static constexpr std::uint16_t kSignature = 0x5AA5;

    PcLogReader() = default;

    // 0 on success, -1 on any failure (no file is then left open).
    std::int32_t OpenLogFile(const std::string& path);
    // The same checks over any byte source; a null source fails.
    std::int32_t OpenByteSource(std::unique_ptr<ByteSource> source);

    const PcHeader& header() const { return header_; }
    // The same, as every format describes it: the active items' slots, texts
    // up to their first NUL.
    LogHeader log_header() const;
    const std::string& path() const { return path_; }
    bool is_open() const { return source_ != nullptr; }

    bool Rewind() override;
    bool SeekLast() override;
    std::int32_t SeekRecords(std::int32_t n, std::int32_t whence) override;
    std::uint16_t RecordSize() override { return static_cast<std::uint16_t>(kRecordSize); }
    std::int32_t RecordCount() override { return record_count_; }
    bool ReadRecord(double* time, void* values, std::int16_t* errors, const std::int32_t* channels) override;
    std::int32_t ReadRecords(std::int32_t count, const RecordRun& run) override;

private:
    std::int32_t fail();
    bool read_header();
    bool read_items();

    std::string path_;
    std::unique_ptr<ByteSource> source_;
    std::int64_t file_length_ = 0;
    std::int32_t record_count_ = 0;
    PcHeader header_{};
    RunBuffer run_buffer_;
};

}  // namespace corvex::formats
