// Small helpers the readers share for reading through a ByteSource.
#pragma once

#include <cstddef>
#include <cstdint>

#include "logmodule/formats/byte_source.h"

namespace corvex::formats {

// True when all `size` bytes were delivered.
inline bool read_exact(ByteSource& source, void* out, std::size_t size) { return source.read(out, size) == size; }

// Reads `size` bytes at `offset`; bytes beyond the end of the data read as 0.
// Leaves the position wherever the read stopped.
inline void read_zero_filled(ByteSource& source, std::int64_t offset, std::uint8_t* out, std::size_t size) {
    std::size_t got = 0;
    if (source.seek(offset, SeekOrigin::Begin)) got = source.read(out, size);
    for (std::size_t i = got; i < size; ++i) out[i] = 0;
}

}  // namespace corvex::formats
