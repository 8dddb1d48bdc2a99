#include "faulty_log.h"

#include "viewer/log_module.h"

namespace corvex::viewer::testing {

namespace {

class FaultyLog final : public ILog {
public:
    FaultyLog(platform::ComPtr<ILog> inner, Faults faults) : inner_(std::move(inner)), faults_(faults) {}

    HRESULT QueryInterface(const GUID& iid, void** out) override {
        if (!out) return E_POINTER;
        *out = nullptr;
        if (iid != IID_IUnknown && iid != IID_IDispatch && iid != IID_ILog) return E_NOINTERFACE;
        *out = static_cast<ILog*>(this);
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++count_; }  // each session stays on one thread
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

    HRESULT get__NewEnum(IUnknown** out) override { return inner_->get__NewEnum(out); }
    HRESULT get_Item(std::int32_t index, ILogRecord** out) override {
        if (faults_.gate) faults_.gate->wait(index);
        if (faults_.unreadable_record && index >= *faults_.unreadable_record) {
            *out = nullptr;
            return S_OK;
        }
        return inner_->get_Item(index, out);
    }
    HRESULT Open(BSTR name, std::int32_t* result) override { return inner_->Open(name, result); }
    HRESULT GetNextRecord(ILogRecord** out) override { return inner_->GetNextRecord(out); }
    HRESULT Seek(std::int32_t offset, std::int32_t whence, std::int32_t* result) override {
        return inner_->Seek(offset, whence, result);
    }
    HRESULT GetLogInfo(ILogInfo** out) override {
        if (faults_.no_log_info) {
            *out = nullptr;
            return E_FAIL;
        }
        return inner_->GetLogInfo(out);
    }
    HRESULT get_Count(std::int32_t* out) override { return inner_->get_Count(out); }

private:
    platform::ComPtr<ILog> inner_;
    Faults faults_;
    ULONG count_ = 0;
};

}  // namespace

void Gate::wait(std::int32_t index) {
    if (index < at_) return;
    std::unique_lock lock(mutex_);
    ++waiting_;
    opened_.wait(lock, [this] { return open_; });
    --waiting_;
}

void Gate::open() {
    {
        std::lock_guard lock(mutex_);
        open_ = true;
    }
    opened_.notify_all();
}

int Gate::waiting() {
    std::lock_guard lock(mutex_);
    return waiting_;
}

Expected<platform::ComPtr<ILog>, std::string> faulty_session(const Faults& faults) {
    auto inner = create_log_session();
    if (!inner) return inner;
    return platform::ComPtr<ILog>(new FaultyLog(std::move(inner).value(), faults));
}

}  // namespace corvex::viewer::testing
