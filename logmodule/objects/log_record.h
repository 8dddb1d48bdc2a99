// LogRecord: the units of one record of a log, in channel order.
//
// The Log builds a record complete; afterwards only its unit cursor (moved by
// GetNextUnit) changes. The record owns one reference to each unit and refers
// to nothing else, so it stays readable after its Log opens another file or
// goes away.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"  // IDispatch answers from it; every includer must see it
#include "logmodule/objects/log_unit.h"

namespace corvex::objects {

class LogRecord final : public platform::DispatchObject<LogRecord, ILogRecord> {
public:
    // A factory-made record: no units.
    LogRecord() noexcept = default;
    explicit LogRecord(std::vector<platform::ComPtr<LogUnit>> units) noexcept : units_(std::move(units)) {}

    HRESULT get_Item(std::int32_t index, ILogUnit** pVal) override;
    HRESULT get__NewEnum(IUnknown** pVal) override;
    HRESULT GetNextUnit(IUnknown** ppUnit) override;
    HRESULT get_Count(std::int32_t* pVal) override;

    // The unit list, for the record's own enumerator.
    std::span<const platform::ComPtr<LogUnit>> units() const noexcept { return units_; }

private:
    std::vector<platform::ComPtr<LogUnit>> units_;
    std::size_t cursor_ = 0;  // GetNextUnit's position, 0 to units_.size()
};

}  // namespace corvex::objects
