// Fields of a delimited-text line.
#pragma once

#include <string>
#include <string_view>

namespace corvex::exporting {

// True when `field` must be enclosed in double quotes to stay one field: it
// contains the (non-empty) delimiter, a double quote, CR or LF. With a
// delimiter of several characters, a field whose end runs into the delimiter
// that follows it counts as containing it ("xb" before "bb" reads as "x", "bb").
bool needs_quotes(std::string_view field, std::string_view delimiter);

// True when no field made only of bytes from `alphabet` can need quotes: the
// alphabet holds neither a double quote, CR nor LF, nor any byte of the
// delimiter (so no field can hold the delimiter or run into it). An export
// decides this once for its number texts instead of scanning every field.
bool never_needs_quotes(std::string_view alphabet, std::string_view delimiter);

// Appends `field` to `line`, quoted (inner double quotes doubled) when
// needs_quotes says so, otherwise exactly as it is.
void append_field(std::string& line, std::string_view field, std::string_view delimiter);

}  // namespace corvex::exporting
