#include "bench/floor/floor_log.h"

#include <cstdio>
#include <cstdlib>

#include "corvex/platform/text.h"

namespace corvex::bench {

namespace {

std::string catalogue_text(bool (*format)(std::int32_t, units::UnitText&), std::int16_t unit_type) {
    units::UnitText text;
    format(unit_type, text);
    return text::utf16_to_utf8(text::cp1252_to_utf16(text.view()));
}

}  // namespace

FloorLog::FloorLog(const std::string& path) {
    auto opened = formats::open_log_file(path);
    if (!opened) {
        std::fprintf(stderr, "%s: %s\n", path.c_str(), formats::rejection_reason(path).c_str());
        std::exit(1);
    }
    opened_ = std::move(opened).value();
    count_ = opened_.reader->RecordCount();
}

std::string FloorLog::label(int k) const {
    const formats::ChannelEntry& c = opened_.header.channels[static_cast<std::size_t>(k)];
    if (c.named_by_unit_type) return catalogue_text(units::FormatUnitModeName, c.unit_type);
    return text::utf16_to_utf8(text::cp1252_to_utf16(c.label));
}

std::string FloorLog::symbol(int k) const {
    const formats::ChannelEntry& c = opened_.header.channels[static_cast<std::size_t>(k)];
    if (c.named_by_unit_type) return catalogue_text(units::FormatUnitShortName, c.unit_type);
    return text::utf16_to_utf8(text::cp1252_to_utf16(c.symbol));
}

std::string FloorLog::column_name(int k, bool parentheses_when_empty) const {
    const std::string s = symbol(k);
    if (s.empty() && !parentheses_when_empty) return label(k);
    return label(k) + " (" + s + ")";
}

bool FloorLog::next(double& time, double* values, std::int16_t* errors) {
    alignas(double) unsigned char packed[formats::kChannelSlots * 8];
    std::int16_t words[formats::kErrorPlaces];
    if (!opened_.reader->ReadRecord(&time, packed, words, nullptr)) return false;
    const int width = formats::encoded_width(opened_.header.values);
    for (int k = 0; k < units(); ++k) {
        values[k] = formats::widen(opened_.header.values, packed + k * width);
        errors[k] = words[k];
    }
    return true;
}

}  // namespace corvex::bench
