// Standard output with its failures noticed.
//
// A full disk or a closed pipe must not end a command with status 0: every
// command writes through here and calls finish_standard_output() last.
#pragma once

#include <string>
#include <string_view>

namespace corvex::cli {

void write_standard_output(std::string_view text);

// Flushes standard output. Answers an empty string when everything written
// reached its destination, else the reason it did not.
std::string finish_standard_output();

}  // namespace corvex::cli
