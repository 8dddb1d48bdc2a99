// LogInfo: the header of an open log and the descriptions of its channels.
//
// Holds a copy of the header as every format describes it (log_header.h).
// Never changes after it is built, and stays readable after its Log opens
// another file or goes away.
#pragma once

#include <cstdint>

#include "corvex/corvex.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"  // IDispatch answers from it; every includer must see it
#include "logmodule/formats/log_header.h"
#include "logmodule/objects/log_item.h"

namespace corvex::objects {

// What every unit of channel k carries besides its value.
struct ChannelDescription {
    std::int16_t channel = 0;
    std::int16_t unit_type = 0;
    std::int16_t input = 0;
};

class LogInfo final : public platform::DispatchObject<LogInfo, ILogInfo> {
public:
    // A factory-made header: zero times, flags and interval, no channels.
    LogInfo() noexcept = default;
    explicit LogInfo(formats::LogHeader header) noexcept : header_(std::move(header)) {}

    HRESULT get__NewEnum(IUnknown** pVal) override;
    HRESULT get_Item(std::int32_t index, ILogItem** pVal) override;
    HRESULT get_StartTime(double* pVal) override;
    HRESULT get_EndTime(double* pVal) override;
    HRESULT get_CyclicFlags(std::int16_t* pVal) override;
    HRESULT get_ErrorFlags(std::int16_t* pVal) override;
    HRESULT get_Interval(std::int16_t* pVal) override;
    HRESULT get_Count(std::int32_t* pVal) override;

    // The channel count, 0 to 12.
    int count() const noexcept;
    // Channel k (0 <= k < count()).
    ChannelDescription channel(int k) const noexcept;
    // The ten values of item k (0 <= k < count()). May throw std::bad_alloc.
    ItemValues item_values(int k) const;

private:
    const formats::CommonHeader& common() const noexcept { return header_.common; }

    formats::LogHeader header_;
};

}  // namespace corvex::objects
