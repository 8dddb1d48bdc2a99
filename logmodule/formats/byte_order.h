// Byte-order decoding for the log formats: the PC log is little-endian, the
// meter logs are big-endian. Every multi-byte field of every format goes
// through these functions; no reader swaps bytes by hand.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace corvex::formats {

namespace detail {
template <class U>
U swap_bytes(U v) {
    if constexpr (sizeof(U) == 2) return static_cast<U>(__builtin_bswap16(v));
    else if constexpr (sizeof(U) == 4) return static_cast<U>(__builtin_bswap32(v));
    else return static_cast<U>(__builtin_bswap64(v));
}

// One unaligned load and at most one byte swap: the readers decode every
// field of every record through here.
template <class U>
U load_unsigned(const std::uint8_t* p, bool big_endian) {
    static_assert(std::endian::native == std::endian::little || std::endian::native == std::endian::big);
    U value;
    std::memcpy(&value, p, sizeof value);
    return big_endian == (std::endian::native == std::endian::big) ? value : swap_bytes(value);
}
}  // namespace detail

inline std::uint16_t load_u16_be(const std::uint8_t* p) { return detail::load_unsigned<std::uint16_t>(p, true); }
inline std::uint32_t load_u32_be(const std::uint8_t* p) { return detail::load_unsigned<std::uint32_t>(p, true); }
inline std::uint64_t load_u64_be(const std::uint8_t* p) { return detail::load_unsigned<std::uint64_t>(p, true); }
inline std::uint16_t load_u16_le(const std::uint8_t* p) { return detail::load_unsigned<std::uint16_t>(p, false); }
inline std::uint64_t load_u64_le(const std::uint8_t* p) { return detail::load_unsigned<std::uint64_t>(p, false); }

inline std::int16_t load_i16_be(const std::uint8_t* p) { return std::bit_cast<std::int16_t>(load_u16_be(p)); }
inline std::int16_t load_i16_le(const std::uint8_t* p) { return std::bit_cast<std::int16_t>(load_u16_le(p)); }
inline double load_f64_be(const std::uint8_t* p) { return std::bit_cast<double>(load_u64_be(p)); }
inline double load_f64_le(const std::uint8_t* p) { return std::bit_cast<double>(load_u64_le(p)); }

// Turns one big-endian value of `width` bytes (2, 4 or 8) at `in` into the
// machine's own order at `out`. Other widths copy nothing.
inline void big_endian_to_machine(const std::uint8_t* in, void* out, int width) {
    switch (width) {
    case 2: {
        const std::uint16_t v = load_u16_be(in);
        std::memcpy(out, &v, sizeof v);
        break;
    }
    case 4: {
        const std::uint32_t v = load_u32_be(in);
        std::memcpy(out, &v, sizeof v);
        break;
    }
    case 8: {
        const std::uint64_t v = load_u64_be(in);
        std::memcpy(out, &v, sizeof v);
        break;
    }
    default:
        break;
    }
}

}  // namespace corvex::formats
