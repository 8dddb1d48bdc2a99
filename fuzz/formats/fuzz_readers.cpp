// Fuzz driver over the log readers: the bytes go through recognition and
// opening as a file would, and through every format's reader at each of its
// header offsets, whatever the recognition says. Every operation of an opened
// reader is exercised, and runs of records must equal record-by-record reads.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "logmodule/formats/open_log.h"

namespace {

using namespace corvex::formats;

template <class T>
bool same_bits(const std::vector<T>& a, const std::vector<T>& b) {
    return std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

// The run path against the record path, both from the first record: the same
// records bit for bit, the same stop, and the same record read after. Twelve
// units, so the places past the channels are compared too.
void compare_runs(LogReader& reader, ValueEncoding encoding, std::int32_t count) {
    constexpr int kUnits = kChannelSlots;
    const std::int32_t asked = std::min(count, 4096) + 2;
    const auto records = static_cast<std::size_t>(asked);
    std::vector<double> run_times(records), one_times(records);
    std::vector<double> run_values(records * kUnits), one_values(records * kUnits);
    std::vector<std::int16_t> run_errors(records * kUnits), one_errors(records * kUnits);

    reader.Rewind();
    const std::int32_t delivered = reader.ReadRecords(asked, {run_times.data(), run_values.data(), run_errors.data(), kUnits});
    double after_run = 0;
    const bool more_after_run = reader.ReadRecord(&after_run, nullptr, nullptr, nullptr);

    reader.Rewind();
    const RecordRun one{one_times.data(), one_values.data(), one_errors.data(), kUnits};
    std::int32_t read = 0;
    while (read < asked) {
        double time = 0;
        alignas(double) std::uint8_t values[kChannelSlots * 8]{};
        std::int16_t errors[kErrorPlaces]{};
        if (!reader.ReadRecord(&time, values, errors, nullptr)) break;
        put_read_record(one, static_cast<std::size_t>(read++), time, values, encoding, errors);
    }
    double after_one = 0;
    const bool more_after_one = reader.ReadRecord(&after_one, nullptr, nullptr, nullptr);

    if (delivered != read || more_after_run != more_after_one ||
        std::bit_cast<std::uint64_t>(after_run) != std::bit_cast<std::uint64_t>(after_one) ||
        !same_bits(run_times, one_times) || !same_bits(run_values, one_values) || !same_bits(run_errors, one_errors))
        __builtin_trap();
}

void exercise(LogReader& reader, ValueEncoding encoding) {
    double time = 0;
    std::uint8_t values[kChannelSlots * 8];
    std::int16_t errors[kErrorPlaces];
    static constexpr std::int32_t kSkipping[] = {1, 3, 11, kEndOfChannels};
    const std::int32_t count = reader.RecordCount();
    compare_runs(reader, encoding, count);
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
    if (auto opened = open_log_bytes(bytes)) exercise(*opened->reader, opened->header.values);
    (void)explain_rejection_bytes(bytes);

    const SourceOpener memory = [bytes] { return std::unique_ptr<ByteSource>(std::make_unique<MemoryByteSource>(bytes)); };
    for (const LogFormat* format : log_formats()) {
        for (const std::int32_t offset : format->header_offsets) {
            if (auto opened = format->open(memory, memory(), offset)) exercise(*opened->reader, opened->header.values);
            MemoryByteSource source(bytes);
            (void)format->explain(source, static_cast<std::int64_t>(size), offset);
        }
    }
    return 0;
}
