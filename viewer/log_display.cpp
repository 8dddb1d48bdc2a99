#include "viewer/log_display.h"

namespace corvex::viewer {

std::string log_flags_text(std::int16_t error_flags, std::int16_t cyclic_flags) {
    const auto errors = static_cast<std::uint16_t>(error_flags);
    std::string text;
    if (errors & kBasicErrorsFlag) text = "Basic Errors\n";
    if (errors & kDetailedErrorsFlag) text += "Detailed Errors";
    if (errors & kErrorLogHoldFlag) text += "Error Log (HOLD)\n";
    if (static_cast<std::uint16_t>(cyclic_flags) & kCyclicLogFlag) text += "Cyclic Log";
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
