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
    return std::clamp(static_cast<int>(header_.channels.size()), 0, 12);
}

ChannelDescription LogInfo::channel(int k) const noexcept {
    const formats::ChannelEntry& c = header_.channels[static_cast<std::size_t>(k)];
    return {c.channel, c.unit_type, c.input};
}

ItemValues LogInfo::item_values(int k) const {
    const formats::ChannelEntry& c = header_.channels[static_cast<std::size_t>(k)];
    ItemValues v;
    v.unit_type = c.unit_type;
    v.input = c.input;
    v.channel = c.channel;
    v.computer = text::cp1252_to_utf16(c.computer);
    if (c.named_by_unit_type) {
        v.label = catalogue_text(c.unit_type, units::FormatUnitModeName);
        v.symbol = catalogue_text(c.unit_type, units::FormatUnitShortName);
    } else {
        v.label = text::cp1252_to_utf16(c.label);
        v.symbol = text::cp1252_to_utf16(c.symbol);
    }
    v.comport = c.comport;
    v.node_id = c.node_id;
    v.width = c.width;
    v.decimal = c.decimal;
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
