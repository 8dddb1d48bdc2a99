#include "logmodule/formats/record_run.h"

#include <new>

namespace corvex::formats {

void put_read_record(const RecordRun& run, std::size_t index, double time, const std::uint8_t* packed,
                     ValueEncoding encoding, const std::int16_t* errors) {
    const auto units = static_cast<std::size_t>(run.units);
    if (run.times) run.times[index] = time;
    const auto width = static_cast<std::size_t>(encoded_width(encoding));
    for (std::size_t k = 0; k < units; ++k) {
        if (run.values) run.values[index * units + k] = widen(encoding, packed + k * width);
        if (run.errors) run.errors[index * units + k] = errors[k];
    }
}

std::span<const std::uint8_t> RunBuffer::read(ByteSource& source, std::size_t size) {
    if (!bytes_) bytes_.reset(new (std::nothrow) std::uint8_t[kSize]);
    if (!bytes_) return {};
    const std::size_t got = source.read(bytes_.get(), std::min(size, kSize));
    return {bytes_.get(), got};
}

}  // namespace corvex::formats
