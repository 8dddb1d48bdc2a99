// What the meter log and the compact meter log share: big-endian records of a
// time, one value (2, 4 or 8 bytes) per active channel with an optional error
// word after each, and an optional error word for the whole record. The two
// formats differ only in their header and in how they count channels.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "logmodule/formats/byte_source.h"
#include "logmodule/formats/log_reader.h"

namespace corvex::formats {

// Results of OpenLogFile of the meter readers.
inline constexpr std::int32_t kOpenOk = 0;
inline constexpr std::int32_t kCannotOpen = -1000;
inline constexpr std::int32_t kBadSignature = -999;
inline constexpr std::int32_t kHeaderCutShort = -998;

class MeterFamilyReader : public LogReader {
public:
    // 0, or -1000 (cannot open), -998 (header cut short), -999 (wrong signature).
    std::int32_t OpenLogFile(const std::string& path);
    // The same checks over any byte source; a null source gives -1000.
    std::int32_t OpenByteSource(std::unique_ptr<ByteSource> source);

    // The header in the meter-log layout, machine byte order.
    const MeterHeader& header() const { return header_; }
    // The same, as every format describes it: the leading descriptors in use,
    // named by their unit types (the file holds no texts).
    LogHeader log_header() const;
    const std::string& path() const { return path_; }
    bool is_open() const { return source_ != nullptr; }
    // First byte of the first record.
    std::int64_t data_start() const { return header_offset_ + header_size_; }
    // Whole records after the data start when the file was opened; the
    // origin of SeekRecords from the end.
    std::int32_t end_index() const { return end_index_; }
    // Channels whose values each record holds.
    int value_channels() const { return value_channels_; }

    bool Rewind() override;
    bool SeekLast() override;
    std::int32_t SeekRecords(std::int32_t n, std::int32_t whence) override;
    std::uint16_t RecordSize() override { return record_size_; }
    std::int32_t RecordCount() override;
    bool ReadRecord(double* time, void* values, std::int16_t* errors, const std::int32_t* channels) override;
    std::int32_t ReadRecords(std::int32_t count, const RecordRun& run) override;

protected:
    MeterFamilyReader(std::int32_t header_offset, std::int64_t header_size);
    // Decodes the raw header into header_ (meter layout); false when the
    // signature byte is wrong.
    virtual bool decode_header(std::span<const std::uint8_t> raw, MeterHeader& out) const = 0;
    // Number of value slots in each record for this header.
    virtual int count_value_channels(const MeterHeader& header) const = 0;
    // Whether counting records reads each record's error word (compact meter
    // log) rather than seeking over it (meter log).
    virtual bool counts_record_error_word() const = 0;

private:
    std::int32_t reset(std::int32_t result);
    bool skip(std::int64_t bytes);

    std::int32_t header_offset_;
    std::int64_t header_size_;
    std::int32_t end_index_ = 0;
    MeterHeader header_{};
    std::unique_ptr<ByteSource> source_;
    std::string path_;
    std::uint16_t record_size_ = 0;
    int value_channels_ = 0;
    RunBuffer run_buffer_;
};

}  // namespace corvex::formats
