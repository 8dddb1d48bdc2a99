#include "viewer/log_display.h"

#include "corvex/log_flags.h"

namespace corvex::viewer {

std::string log_flags_text(std::int16_t error_flags, std::int16_t cyclic_flags) {
    const auto errors = static_cast<std::uint16_t>(error_flags);
    std::string text;
    if (errors & static_cast<std::uint16_t>(log_flags::kBasicErrors)) text = "Basic Errors\n";
    if (errors & static_cast<std::uint16_t>(log_flags::kDetailedErrors)) text += "Detailed Errors";
    if (errors & static_cast<std::uint16_t>(log_flags::kErrorLogHold)) text += "Error Log (HOLD)\n";
    if (cyclic_flags & log_flags::kCyclicLog) text += "Cyclic Log";
    return text;
}

std::string unit_entry_text(std::string_view label, std::string_view symbol) {
    std::string text(label);
    if (!symbol.empty()) {
        text += '(';
        text += symbol;
        text += ')';
    }
    return text;
}

}  // namespace corvex::viewer
