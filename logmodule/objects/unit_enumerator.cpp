#include "logmodule/objects/unit_enumerator.h"

#include <utility>

#include "corvex/platform/object.h"
#include "corvex/platform/variant.h"
#include "logmodule/objects/log_record.h"

namespace corvex::objects {
namespace {

class UnitEnumerator final : public platform::UnknownObject<UnitEnumerator, IEnumVARIANT> {
public:
    UnitEnumerator(platform::ComPtr<LogRecord> record, std::size_t position) noexcept
        : record_(std::move(record)), position_(position) {}

    HRESULT Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override {
        if (!rgVar || (celt != 1 && !pCeltFetched)) return E_POINTER;
        if (!record_) return E_FAIL;
        const auto units = record_->units();
        ULONG fetched = 0;
        while (fetched < celt && position_ < units.size()) {
            VariantInit(&rgVar[fetched]);
            rgVar[fetched].vt = VT_DISPATCH;
            rgVar[fetched].pdispVal = units[position_].get();
            units[position_]->AddRef();
            ++fetched;
            ++position_;
        }
        if (pCeltFetched) *pCeltFetched = fetched;
        return fetched == celt ? S_OK : S_FALSE;
    }

    HRESULT Skip(ULONG celt) override {
        const std::size_t size = record_ ? record_->units().size() : 0;
        const std::size_t left = size - position_;
        if (celt > left) {
            position_ = size;
            return S_FALSE;
        }
        position_ += celt;
        return S_OK;
    }

    HRESULT Reset() override {
        if (!record_) return E_FAIL;
        position_ = 0;
        return S_OK;
    }

    HRESULT Clone(IEnumVARIANT** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        auto clone = make_unit_enumerator(record_, position_);
        if (!clone) return E_OUTOFMEMORY;
        *ppEnum = clone.detach();
        return S_OK;
    }

private:
    platform::ComPtr<LogRecord> record_;
    std::size_t position_;  // 0 to the number of units
};

}  // namespace

platform::ComPtr<IEnumVARIANT> make_unit_enumerator(platform::ComPtr<LogRecord> record, std::size_t position) {
    return UnitEnumerator::make(std::move(record), position);
}

}  // namespace corvex::objects
