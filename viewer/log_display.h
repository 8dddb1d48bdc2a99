// The texts the main window shows for an open log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvex::viewer {

// The log-flags label: "Basic Errors" and "Error Log (HOLD)" end their line,
// "Detailed Errors" does not, so with the cyclic flag it reads
// "Detailed ErrorsCyclic Log" on one line, as the window has always shown it.
// Lines are separated by "\n".
std::string log_flags_text(std::int16_t error_flags, std::int16_t cyclic_flags);

// A unit-list entry: "Label(Symbol)", or the label alone when the symbol is empty.
std::string unit_entry_text(std::string_view label, std::string_view symbol);

}  // namespace corvex::viewer
