#include "logmodule/formats/diagnosis.h"

#include <cstdarg>
#include <cstdio>

#include "logmodule/formats/source_reads.h"

namespace corvex::formats {

std::string format_line(const char* fmt, ...) {
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
    return length == 1 ? format_line("first byte %02X", b[0]) : format_line("first bytes %02X %02X", b[0], b[1]);
}

}  // namespace corvex::formats
