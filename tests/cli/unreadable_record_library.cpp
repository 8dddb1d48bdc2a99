// A stand-in log module for the tests: its Log is the real one (from the
// library named by CORVEX_TEST_REAL_LIBRARY) except that Item answers no
// record for the index in CORVEX_TEST_UNREADABLE_RECORD, as the real Log does
// for a record it cannot read. Registered in a test's registry store, it also
// shows that the tool prefers a registered class to its fallback.
#include <atomic>
#include <cstdlib>
#include <string>

#include "corvex/corvex.h"
#include "corvex/platform/activation.h"

namespace {

using corvex::platform::ComPtr;

class UnreadableRecordLog final : public ILog {
public:
    UnreadableRecordLog(ComPtr<ILog> real, std::int32_t unreadable) : real_(std::move(real)), unreadable_(unreadable) {}

    HRESULT QueryInterface(const GUID& riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_ILog) {
            *ppv = static_cast<ILog*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const GUID&, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT Invoke(DISPID, const GUID&, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

    HRESULT get__NewEnum(IUnknown** pVal) override { return real_->get__NewEnum(pVal); }
    HRESULT get_Item(std::int32_t index, ILogRecord** pVal) override {
        if (index == unreadable_) {
            *pVal = nullptr;
            return S_OK;
        }
        return real_->get_Item(index, pVal);
    }
    HRESULT Open(BSTR name, std::int32_t* pRet) override { return real_->Open(name, pRet); }
    HRESULT GetNextRecord(ILogRecord** ppRecord) override { return real_->GetNextRecord(ppRecord); }
    HRESULT Seek(std::int32_t off, std::int32_t whence, std::int32_t* pRet) override {
        return real_->Seek(off, whence, pRet);
    }
    HRESULT GetLogInfo(ILogInfo** ppHeader) override { return real_->GetLogInfo(ppHeader); }
    HRESULT get_Count(std::int32_t* pVal) override { return real_->get_Count(pVal); }

private:
    ComPtr<ILog> real_;
    std::int32_t unreadable_;
    std::atomic<ULONG> refs_{1};
};

class Factory final : public IClassFactory {
public:
    HRESULT QueryInterface(const GUID& riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }  // static object
    ULONG Release() override { return 1; }
    HRESULT LockServer(std::int32_t) override { return S_OK; }
    HRESULT CreateInstance(IUnknown* outer, const GUID& riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        const char* library = std::getenv("CORVEX_TEST_REAL_LIBRARY");
        const char* unreadable = std::getenv("CORVEX_TEST_UNREADABLE_RECORD");
        if (!library || !unreadable) return E_FAIL;
        ComPtr<ILog> real;
        const HRESULT hr =
            corvex::platform::create_instance_from_library(library, CLSID_Log, IID_ILog, real.put_void());
        if (FAILED(hr)) return hr;
        auto* log = new UnreadableRecordLog(std::move(real), std::atoi(unreadable));
        const HRESULT query = log->QueryInterface(riid, ppv);
        log->Release();
        return query;
    }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& rclsid, const IID& riid,
                                                                            void** ppv) {
    static Factory factory;
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!(rclsid == CLSID_Log)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}
