// The texts the main window shows for an open log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace corvex::viewer {

// The log-flags label: each flag set on a line of its own ("Basic Errors",
// "Detailed Errors", "Error Log (HOLD)", "Cyclic Log"), separated by "\n".
std::string log_flags_text(std::int16_t error_flags, std::int16_t cyclic_flags);

// A unit-list entry: "Label(Symbol)", or the label alone when the symbol is empty.
std::string unit_entry_text(std::string_view label, std::string_view symbol);

}  // namespace corvex::viewer
