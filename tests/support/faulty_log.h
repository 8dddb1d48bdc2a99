// A Log that passes every call to a real one, except for the faults a test
// asks for: no log information, or records from one index on that cannot be
// read (Item answers no record, as the real Log does for a damaged record).
// A test may also run code before each Item call, to hold reads there.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"

namespace corvex::testing {

struct LogFaults {
    bool no_log_info = false;
    std::optional<std::int32_t> unreadable_from;     // Item answers no record from this index on
    std::function<void(std::int32_t)> before_item;  // runs before each Item call
};

class FaultyLog final : public ILog {
public:
    static platform::ComPtr<ILog> wrap(platform::ComPtr<ILog> inner, LogFaults faults) {
        return platform::ComPtr<ILog>(new FaultyLog(std::move(inner), std::move(faults)));
    }

    HRESULT QueryInterface(const GUID& iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_ILog) return E_NOINTERFACE;
        *out = static_cast<ILog*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++count_; }
    ULONG Release() override {
        const ULONG left = --count_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* count) override {
        if (count) *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const GUID&, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, const GUID&, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT get_Item(std::int32_t index, ILogRecord** out) override {
        if (faults_.before_item) faults_.before_item(index);
        if (faults_.unreadable_from && index >= *faults_.unreadable_from) {
            *out = nullptr;
            return S_OK;
        }
        return inner_->get_Item(index, out);
    }
    HRESULT GetLogInfo(ILogInfo** out) override {
        if (!faults_.no_log_info) return inner_->GetLogInfo(out);
        *out = nullptr;
        return E_FAIL;
    }
    HRESULT get__NewEnum(IUnknown** out) override { return inner_->get__NewEnum(out); }
    HRESULT Open(BSTR name, std::int32_t* result) override { return inner_->Open(name, result); }
    HRESULT GetNextRecord(ILogRecord** out) override { return inner_->GetNextRecord(out); }
    HRESULT Seek(std::int32_t offset, std::int32_t whence, std::int32_t* result) override {
        return inner_->Seek(offset, whence, result);
    }
    HRESULT get_Count(std::int32_t* out) override { return inner_->get_Count(out); }

private:
    FaultyLog(platform::ComPtr<ILog> inner, LogFaults faults) : inner_(std::move(inner)), faults_(std::move(faults)) {}

    platform::ComPtr<ILog> inner_;
    LogFaults faults_;
    std::atomic<ULONG> count_{0};
};

}  // namespace corvex::testing
