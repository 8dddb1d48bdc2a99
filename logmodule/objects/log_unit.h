// LogUnit: one logged value of one record, with the channel it belongs to.
//
// A unit is immutable once built and refers to nothing else: it outlives the
// record, the Log and the file it came from.
#pragma once

#include <cstdint>

#include "corvex/corvex.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"  // IDispatch answers from it; every includer must see it

namespace corvex::objects {

// What a unit holds. The value is always handed out as an 8-byte double; the
// error word travels beside it and never changes it.
struct UnitValues {
    double value = 0;
    std::int16_t error = 0;
    double time = 0;        // the record's log time
    std::int32_t unit_type = 0;  // sign-extended from the log's 16-bit field
    std::int16_t input = 0;
    std::int16_t channel = 0;
};

class LogUnit final : public platform::DispatchObject<LogUnit, ILogUnit> {
public:
    // A factory-made unit: value 0.0, everything else 0.
    LogUnit() noexcept = default;
    explicit LogUnit(const UnitValues& values) noexcept : values_(values) {}

    HRESULT get_Value(VARIANT* pVal) override;
    HRESULT get_Error(std::int16_t* pVal) override;
    HRESULT get_Time(double* pVal) override;
    HRESULT get_Enum(std::int32_t* pVal) override;
    HRESULT get_Input(std::int16_t* pVal) override;
    HRESULT get_Channel(std::int16_t* pVal) override;

private:
    UnitValues values_;
};

}  // namespace corvex::objects
