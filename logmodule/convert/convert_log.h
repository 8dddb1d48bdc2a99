// ConvertLog: writes any log the module can read as a converted log.
//
// The source is read only through a Log and the objects it hands out, never
// parsed here; the output layout is in converted_log_layout.h. The computer
// name, port and node set on the object are stamped into every item of every
// later conversion.
#pragma once

#include <cstdint>
#include <string>

#include "corvex/corvex.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"

namespace corvex::convert {

class ConvertLog final : public platform::DispatchObject<ConvertLog, IConvertLog> {
public:
    ConvertLog() = default;

    // Converts the log at srcPath into a converted log at dstPath. Always S_OK
    // (E_POINTER for a null pVal); *pVal is 0 when the conversion ran (also for
    // a source that is no readable log: the destination is then empty), -1 when
    // the source could not be opened or the destination could not be opened or
    // written, each reported through the message sink.
    HRESULT RZ417ToPC(BSTR srcPath, BSTR dstPath, std::int32_t* pVal) override;
    HRESULT put_Comport(std::int16_t newVal) override;
    HRESULT put_NodeID(std::int16_t newVal) override;
    // A null string stores an empty name.
    HRESULT put_ComputerName(BSTR newVal) override;

private:
    std::int32_t convert(BSTR src_path, BSTR dst_path);

    std::u16string computer_name_;
    std::int16_t comport_ = 0;
    std::int16_t node_id_ = 0;
};

}  // namespace corvex::convert
