// Appends little-endian fields to a byte buffer, whatever the machine's own
// byte order: the one place where the converted log's byte order is made.
#pragma once

#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvex::convert {

class LittleEndianWriter {
public:
    explicit LittleEndianWriter(std::string& out) noexcept : out_(out) {}

    void u16(std::uint16_t v) {
        const char bytes[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        out_.append(bytes, sizeof bytes);
    }
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void u64(std::uint64_t v) {
        char bytes[8];
        for (int i = 0; i < 8; ++i) bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
        out_.append(bytes, sizeof bytes);
    }
    // An IEEE 754 double, its bit pattern kept exactly (NaN payloads included).
    void f64(double v) { u64(std::bit_cast<std::uint64_t>(v)); }
    void bytes(std::string_view b) { out_.append(b); }
    void zeros(std::size_t n) { out_.append(n, '\0'); }

private:
    std::string& out_;
};

}  // namespace corvex::convert
