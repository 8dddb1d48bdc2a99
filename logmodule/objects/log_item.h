// LogItem: the description of one channel of a log.
//
// An item holds its own copies of its ten values and is independent of the
// LogInfo and the Log it came from.
#pragma once

#include <cstdint>
#include <string>

#include "corvex/corvex.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"  // IDispatch answers from it; every includer must see it

namespace corvex::objects {

struct ItemValues {
    std::int16_t unit_type = 0;
    std::int16_t input = 0;
    std::int16_t channel = 0;
    std::u16string computer;
    std::u16string label;
    std::u16string symbol;
    std::int16_t comport = 0;
    std::int16_t node_id = 0;
    std::int16_t width = 0;
    std::int16_t decimal = 0;
};

class LogItem final : public platform::DispatchObject<LogItem, ILogItem> {
public:
    // A factory-made item: empty strings and zeros.
    LogItem() noexcept = default;
    explicit LogItem(ItemValues values) noexcept : values_(std::move(values)) {}

    HRESULT get_UnitType(std::int16_t* pVal) override;
    HRESULT get_Input(std::int16_t* pVal) override;
    HRESULT get_Channel(std::int16_t* pVal) override;
    HRESULT get_Computer(BSTR* pVal) override;
    HRESULT get_Label(BSTR* pVal) override;
    HRESULT get_Comport(std::int16_t* pVal) override;
    HRESULT get_NodeID(std::int16_t* pVal) override;
    HRESULT get_Width(std::int16_t* pVal) override;
    HRESULT get_Decimal(std::int16_t* pVal) override;
    HRESULT get_Symbol(BSTR* pVal) override;

private:
    ItemValues values_;
};

}  // namespace corvex::objects
