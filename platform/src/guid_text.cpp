#include "corvex/platform/guid_text.h"

#include <cstdio>

namespace corvex::platform {

std::string format_guid(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                  g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

std::optional<GUID> parse_guid(std::string_view t) {
    if (t.size() == 38 && t.front() == '{' && t.back() == '}') t = t.substr(1, 36);
    if (t.size() != 36) return std::nullopt;
    auto hex = [&](std::size_t pos, int digits, std::uint32_t& out) {
        out = 0;
        for (int i = 0; i < digits; ++i) {
            const char c = t[pos + static_cast<std::size_t>(i)];
            std::uint32_t d;
            if (c >= '0' && c <= '9')
                d = static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                d = static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                d = static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return false;
            out = out * 16 + d;
        }
        return true;
    };
    if (t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') return std::nullopt;
    GUID g{};
    std::uint32_t v = 0;
    if (!hex(0, 8, g.Data1)) return std::nullopt;
    if (!hex(9, 4, v)) return std::nullopt;
    g.Data2 = static_cast<std::uint16_t>(v);
    if (!hex(14, 4, v)) return std::nullopt;
    g.Data3 = static_cast<std::uint16_t>(v);
    const std::size_t byte_pos[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) {
        if (!hex(byte_pos[i], 2, v)) return std::nullopt;
        g.Data4[i] = static_cast<std::uint8_t>(v);
    }
    return g;
}

}  // namespace corvex::platform
