#include "logmodule/units/unit_catalogue.h"

#include <algorithm>
#include <charconv>

namespace corvex::units {
namespace {

void set_text(UnitText& out, std::string_view text) {
    // Catalogue texts fit by construction (checked where the table is defined);
    // keep one byte for a terminating NUL regardless.
    const std::size_t n = std::min(text.size(), out.bytes.size() - 1);
    std::copy_n(text.data(), n, out.bytes.data());
    out.bytes[n] = '\0';
    out.size = n;
}

// prefix + the identifier as unsigned 32-bit decimal + suffix.
void set_fallback(UnitText& out, std::string_view prefix, std::int32_t id, std::string_view suffix) {
    std::array<char, 10> digits{};
    const auto [end, ec] = std::to_chars(digits.begin(), digits.end(), static_cast<std::uint32_t>(id));
    (void)ec;  // ten digits always suffice for 32 bits
    char* out_end = out.bytes.data();
    out_end = std::copy(prefix.begin(), prefix.end(), out_end);
    out_end = std::copy(digits.begin(), end, out_end);
    out_end = std::copy(suffix.begin(), suffix.end(), out_end);
    *out_end = '\0';
    out.size = static_cast<std::size_t>(out_end - out.bytes.data());
}

}  // namespace

const UnitTypeRow* FindUnitType(std::int32_t id) {
    if (id < 0 || id > 0xFFFF) return nullptr;
    const auto rows = unit_types();
    const auto it = std::lower_bound(rows.begin(), rows.end(), id,
                                     [](const UnitTypeRow& row, std::int32_t key) { return row.id < key; });
    if (it == rows.end() || it->id != id) return nullptr;
    return &*it;
}

bool FormatUnitName(std::int32_t id, UnitText& out) {
    if (const UnitTypeRow* row = FindUnitType(id)) {
        set_text(out, row->name);
        return true;
    }
    set_fallback(out, "Unknown Unit (", id, ")");
    return false;
}

bool FormatUnitShortName(std::int32_t id, UnitText& out) {
    if (const UnitTypeRow* row = FindUnitType(id)) {
        set_text(out, row->short_name);
        return true;
    }
    set_fallback(out, "#", id, "");
    return false;
}

bool FormatUnitModeName(std::int32_t id, UnitText& out) {
    if (const UnitTypeRow* row = FindUnitType(id)) {
        set_text(out, row->mode_name);
        return true;
    }
    set_fallback(out, "#", id, "");
    return false;
}

int UnitTypeCount() { return static_cast<int>(unit_types().size()); }

}  // namespace corvex::units
