// Runs of records decoded straight into a caller's arrays: what
// LogReader::ReadRecords delivers, and the loop the readers share to produce it
// from large reads instead of one buffered read per record.
//
// The rule the loop keeps: a run is exactly what the same number of ReadRecord
// calls with the default channel list would deliver, stopping at the first one
// that would fail. Whole records that the large read brought are decoded in
// place; the one record where the run may end (cut short, missing, or refused
// by the format, like a meter log's end mark) goes through the reader's own
// ReadRecord, so its verdict and where it leaves the position are ReadRecord's.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "logmodule/formats/byte_source.h"
#include "logmodule/formats/log_header.h"

namespace corvex::formats {

// Where a run goes. Record i of the run puts its time at times[i], and for
// each of its first `units` channels k the value, widened to a double, at
// values[i * units + k] and the error word at errors[i * units + k]. Value k
// and error k are ReadRecord's value place k and error place k. Any of the
// three arrays may be null: that part is skipped.
struct RecordRun {
    double* times = nullptr;
    double* values = nullptr;
    std::int16_t* errors = nullptr;
    int units = 0;  // 0 to 12
};

// Puts what one ReadRecord call with the default channel list delivered as
// record `index` of `run`: `packed` holds the values at `encoding`'s width.
void put_read_record(const RecordRun& run, std::size_t index, double time, const std::uint8_t* packed,
                     ValueEncoding encoding, const std::int16_t* errors);

// A reader's buffer for large reads, made on first use and kept while the
// reader lives: no allocation per record or per run.
class RunBuffer {
public:
    static constexpr std::size_t kSize = 256 * 1024;

    // Reads up to `size` bytes (at most kSize) from the source's position,
    // which moves on by the bytes delivered. Empty when the buffer cannot be
    // had.
    std::span<const std::uint8_t> read(ByteSource& source, std::size_t size);

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
};

// The loop of every reader's ReadRecords over records of `record_size` bytes
// (at most RunBuffer::kSize). `decode(bytes, whole, index)` decodes up to
// `whole` consecutive records of `bytes` as records index, index + 1, ... of
// the run and returns how many it delivered, stopping before the first one
// that ReadRecord would refuse although it arrived whole. `read_one(index)`
// reads the record at the position with ReadRecord and puts it as record
// `index`; false when ReadRecord refused it.
template <class Decode, class ReadOne>
std::int32_t read_record_run(ByteSource& source, RunBuffer& buffer, std::size_t record_size, std::int32_t count,
                             Decode&& decode, ReadOne&& read_one) {
    const auto per_read = static_cast<std::int32_t>(std::max<std::size_t>(RunBuffer::kSize / record_size, 1));
    std::int32_t delivered = 0;
    while (delivered < count) {
        const std::int64_t start = source.tell();
        const std::int32_t asked = std::min(count - delivered, per_read);
        const std::span<const std::uint8_t> bytes = buffer.read(source, static_cast<std::size_t>(asked) * record_size);
        const std::size_t taken = decode(bytes.data(), bytes.size() / record_size, static_cast<std::size_t>(delivered));
        delivered += static_cast<std::int32_t>(taken);
        // All asked for arrived whole and were taken: the position is past them.
        if (taken == static_cast<std::size_t>(asked)) continue;
        // The record after the last one taken may end the run: ReadRecord
        // decides, from its start, and leaves the position where it would.
        source.seek(start + static_cast<std::int64_t>(taken * record_size), SeekOrigin::Begin);
        if (!read_one(static_cast<std::size_t>(delivered))) break;
        ++delivered;
    }
    return delivered;
}

}  // namespace corvex::formats
