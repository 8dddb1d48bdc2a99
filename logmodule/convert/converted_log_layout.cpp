#include "logmodule/convert/converted_log_layout.h"

#include "corvex/platform/text.h"

namespace corvex::convert {

std::string fixed_text(std::u16string_view text, std::size_t width) {
    if (const auto nul = text.find(u'\0'); nul != std::u16string_view::npos) text = text.substr(0, nul);
    // Windows-1252 has one byte per character, so cutting the bytes cuts whole characters.
    std::string field = text::utf16_to_cp1252(text);
    field.resize(width, ' ');
    return field;
}

void write_header(LittleEndianWriter& out, const ConvertedHeader& header) {
    out.u16(kConvertedSignature);
    out.i16(header.cyclic_flags);
    out.i16(header.error_flags);
    out.f64(header.start_time);
    out.f64(header.end_time);
    out.i16(header.interval);
}

void write_item(LittleEndianWriter& out, const ConvertedItem& item) {
    out.bytes(fixed_text(item.computer, kComputerWidth));
    out.bytes(fixed_text(item.label, kLabelWidth));
    out.bytes(fixed_text(item.symbol, kSymbolWidth));
    out.i16(item.comport);
    out.i16(item.node_id);
    out.i16(item.channel);
    out.i16(item.unit_type);
    out.i16(kItemWidth);
    out.i16(kItemDecimal);
}

void write_end_marker(LittleEndianWriter& out) {
    out.zeros(kItemSize - 6);  // everything before UnitType
    out.u16(kEndMarkerUnitType);
    out.zeros(4);  // Width and Decimal
}

void write_entry(LittleEndianWriter& out, const ConvertedEntry& entry) {
    out.f64(entry.time);
    out.f64(entry.value);
    out.i16(entry.error);
}

}  // namespace corvex::convert
