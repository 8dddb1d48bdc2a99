#include "logmodule/objects/record_enumerator.h"

#include <utility>

#include "corvex/platform/object.h"
#include "logmodule/objects/log.h"

namespace corvex::objects {
namespace {

class RecordEnumerator final : public platform::UnknownObject<RecordEnumerator, IEnumVARIANT> {
public:
    explicit RecordEnumerator(platform::ComPtr<Log> log) noexcept : log_(std::move(log)) {}

    HRESULT Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override {
        if (!rgVar) return E_POINTER;
        if (pCeltFetched) *pCeltFetched = 0;
        for (ULONG i = 0; i < celt; ++i) VariantInit(&rgVar[i]);
        ULONG fetched = 0;
        while (fetched < celt) {
            platform::ComPtr<LogRecord> record;
            const HRESULT hr = log_->read_record(false, record);
            if (FAILED(hr)) {
                for (ULONG i = 0; i < fetched; ++i) VariantClear(&rgVar[i]);
                return hr;
            }
            if (!record) break;
            rgVar[fetched].vt = VT_DISPATCH;
            rgVar[fetched].pdispVal = record.detach();
            ++fetched;
        }
        if (pCeltFetched) *pCeltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }

    HRESULT Skip(ULONG) override { return E_FAIL; }

    HRESULT Reset() override {
        log_->rewind();
        return S_OK;
    }

    HRESULT Clone(IEnumVARIANT** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        return E_FAIL;
    }

private:
    platform::ComPtr<Log> log_;
};

}  // namespace

platform::ComPtr<IEnumVARIANT> make_record_enumerator(platform::ComPtr<Log> log) {
    return RecordEnumerator::make(std::move(log));
}

}  // namespace corvex::objects
