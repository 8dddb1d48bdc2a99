#include "logmodule/objects/log_info.h"

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "corvex/platform/enum_variant.h"
#include "corvex/platform/text.h"
#include "corvex/platform/variant.h"
#include "logmodule/objects/out_of_memory_guard.h"
#include "logmodule/units/unit_catalogue.h"

namespace corvex::objects {
namespace {

// Meter logs record no computer, port or node: every channel is the meter's.
constexpr std::u16string_view kMeterComputer = u"RZ417";
constexpr std::int16_t kMeterWidth = 12;
constexpr std::int16_t kMeterDecimals = 4;

// A PC-log text field: its bytes up to the first NUL, never past the field.
template <std::size_t N>
std::u16string field_text(const std::array<char, N>& field) {
    const auto end = std::find(field.begin(), field.end(), '\0');
    return text::cp1252_to_utf16(std::string_view(field.data(), static_cast<std::size_t>(end - field.begin())));
}

template <class Format>
std::u16string catalogue_text(std::int16_t unit_type, Format format) {
    units::UnitText text;
    format(static_cast<std::int32_t>(unit_type), text);  // unknown types come back as "#" and the number
    return text::cp1252_to_utf16(text.view());
}

template <class T>
HRESULT copy_out(T* out, T value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

}  // namespace

int LogInfo::count() const noexcept {
    const int n = std::holds_alternative<formats::PcHeader>(header_)
                      ? std::get<formats::PcHeader>(header_).active_items
                      : std::get<formats::MeterHeader>(header_).active_channels();
    return std::clamp(n, 0, formats::kChannelSlots);
}

const formats::CommonHeader& LogInfo::common() const noexcept {
    return std::visit([](const auto& h) -> const formats::CommonHeader& { return h.common; }, header_);
}

ChannelDescription LogInfo::channel(int k) const noexcept {
    const auto slot = static_cast<std::size_t>(k);
    if (const auto* pc = std::get_if<formats::PcHeader>(&header_)) {
        const formats::PcItem& item = pc->items[slot];
        return {item.channel, item.unit_type, 0};
    }
    const formats::MeterDescriptor& d = std::get<formats::MeterHeader>(header_).descriptors[slot];
    return {d.channel, d.unit_type, d.input};
}

ItemValues LogInfo::item_values(int k) const {
    const auto slot = static_cast<std::size_t>(k);
    ItemValues v;
    if (const auto* pc = std::get_if<formats::PcHeader>(&header_)) {
        const formats::PcItem& item = pc->items[slot];
        v.unit_type = item.unit_type;
        v.channel = item.channel;
        v.computer = field_text(item.computer);
        v.label = field_text(item.label);
        v.symbol = field_text(item.symbol);
        v.comport = item.comport;
        v.node_id = item.node_id;
        v.width = item.width;
        v.decimal = item.decimal;
        return v;
    }
    // Meter logs name each channel after its unit type; width and decimals are
    // fixed, not the catalogue's.
    const formats::MeterDescriptor& d = std::get<formats::MeterHeader>(header_).descriptors[slot];
    v.unit_type = d.unit_type;
    v.input = d.input;
    v.channel = d.channel;
    v.computer = kMeterComputer;
    v.label = catalogue_text(d.unit_type, units::FormatUnitModeName);
    v.symbol = catalogue_text(d.unit_type, units::FormatUnitShortName);
    v.width = kMeterWidth;
    v.decimal = kMeterDecimals;
    return v;
}

HRESULT LogInfo::get__NewEnum(IUnknown** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    return guard_out_of_memory([&]() -> HRESULT {
        // The items are built once; the enumerator and its clones share them.
        auto items = std::make_shared<std::vector<platform::Variant>>();
        items->reserve(static_cast<std::size_t>(count()));
        for (int k = 0; k < count(); ++k) {
            auto item = LogItem::make(item_values(k));
            if (!item) return E_OUTOFMEMORY;
            items->push_back(platform::Variant::from_dispatch(item.get()));
        }
        auto enumerator = platform::make_snapshot_enumerator(std::move(items));
        if (!enumerator) return E_OUTOFMEMORY;
        *pVal = enumerator.detach();
        return S_OK;
    });
}

HRESULT LogInfo::get_Item(std::int32_t index, ILogItem** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    if (index < 0 || index >= count()) return E_FAIL;
    return guard_out_of_memory([&]() -> HRESULT {
        auto item = LogItem::make(item_values(index));
        if (!item) return E_OUTOFMEMORY;
        *pVal = item.detach();
        return S_OK;
    });
}

HRESULT LogInfo::get_StartTime(double* pVal) { return copy_out(pVal, common().start_time); }
HRESULT LogInfo::get_EndTime(double* pVal) { return copy_out(pVal, common().end_time); }
HRESULT LogInfo::get_CyclicFlags(std::int16_t* pVal) { return copy_out(pVal, common().cyclic_flags); }
HRESULT LogInfo::get_ErrorFlags(std::int16_t* pVal) { return copy_out(pVal, common().error_flags); }
HRESULT LogInfo::get_Interval(std::int16_t* pVal) { return copy_out(pVal, common().interval); }
HRESULT LogInfo::get_Count(std::int32_t* pVal) { return copy_out(pVal, static_cast<std::int32_t>(count())); }

}  // namespace corvex::objects
