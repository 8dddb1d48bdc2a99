#include "viewer/log_display.h"

#include "export/record_source.h"

namespace corvex::viewer {

std::string log_flags_text(std::int16_t error_flags, std::int16_t cyclic_flags) {
    std::string text;
    for (const std::string_view name : exporting::flag_names(cyclic_flags, error_flags)) {
        if (!text.empty()) text += '\n';
        text += name;
    }
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
