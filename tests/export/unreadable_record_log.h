// A Log that cannot read one of its records: every call goes to a real Log,
// except that Item(bad_record) answers no record, as Log.Item does for a
// record that is damaged on disk.
#pragma once

#include <cstdint>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"

namespace corvex::exporting::testing {

class UnreadableRecordLog final : public platform::DispatchObject<UnreadableRecordLog, ILog> {
public:
    UnreadableRecordLog() = default;
    UnreadableRecordLog(platform::ComPtr<ILog> inner, std::int32_t bad_record)
        : inner_(std::move(inner)), bad_record_(bad_record) {}

    HRESULT get__NewEnum(IUnknown** pVal) override { return inner_->get__NewEnum(pVal); }
    HRESULT get_Item(std::int32_t index, ILogRecord** pVal) override {
        if (index == bad_record_) {
            *pVal = nullptr;
            return S_OK;
        }
        return inner_->get_Item(index, pVal);
    }
    HRESULT Open(BSTR name, std::int32_t* pRet) override { return inner_->Open(name, pRet); }
    HRESULT GetNextRecord(ILogRecord** ppRecord) override { return inner_->GetNextRecord(ppRecord); }
    HRESULT Seek(std::int32_t nOff, std::int32_t whence, std::int32_t* pRet) override {
        return inner_->Seek(nOff, whence, pRet);
    }
    HRESULT GetLogInfo(ILogInfo** ppHeader) override { return inner_->GetLogInfo(ppHeader); }
    HRESULT get_Count(std::int32_t* pVal) override { return inner_->get_Count(pVal); }

private:
    platform::ComPtr<ILog> inner_;
    std::int32_t bad_record_ = -1;
};

}  // namespace corvex::exporting::testing
