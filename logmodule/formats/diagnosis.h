// Helpers the formats' rejection explanations share.
#pragma once

#include <cstdint>
#include <string>

#include "logmodule/formats/byte_source.h"

namespace corvex::formats {

// printf into a line of text.
__attribute__((format(printf, 1, 2))) std::string format_line(const char* fmt, ...);

// "first bytes A5 5A", "first byte A5" or "an empty file".
std::string first_bytes(ByteSource& source, std::int64_t length);

}  // namespace corvex::formats
