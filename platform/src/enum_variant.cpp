#include "corvex/platform/enum_variant.h"

#include "corvex/platform/object.h"

namespace corvex::platform {
namespace {

class SnapshotEnumerator final : public UnknownObject<SnapshotEnumerator, IEnumVARIANT> {
public:
    SnapshotEnumerator(VariantSnapshot items, std::size_t pos) : items_(std::move(items)), pos_(pos) {}

    HRESULT Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override {
        if (!rgVar || (celt != 1 && !pCeltFetched)) return E_POINTER;
        const std::size_t left = items_->size() - pos_;
        const ULONG n = static_cast<ULONG>(std::min<std::size_t>(celt, left));
        for (ULONG i = 0; i < n; ++i) {
            VariantInit(&rgVar[i]);
            const HRESULT hr = VariantCopy(&rgVar[i], (*items_)[pos_ + i].get());
            if (FAILED(hr)) {
                for (ULONG j = 0; j < i; ++j) VariantClear(&rgVar[j]);
                if (pCeltFetched) *pCeltFetched = 0;
                return hr;
            }
        }
        pos_ += n;
        if (pCeltFetched) *pCeltFetched = n;
        return n < celt ? S_FALSE : S_OK;
    }

    HRESULT Skip(ULONG celt) override {
        const std::size_t left = items_->size() - pos_;
        if (celt >= left) {
            pos_ = items_->size();
            return S_FALSE;
        }
        pos_ += celt;
        return S_OK;
    }

    HRESULT Reset() override {
        pos_ = 0;
        return S_OK;
    }

    HRESULT Clone(IEnumVARIANT** ppEnum) override {
        if (!ppEnum) return E_POINTER;
        *ppEnum = nullptr;
        auto clone = make(items_, pos_);
        if (!clone) return E_OUTOFMEMORY;
        *ppEnum = clone.detach();
        return S_OK;
    }

private:
    VariantSnapshot items_;
    std::size_t pos_;
};

}  // namespace

ComPtr<IEnumVARIANT> make_snapshot_enumerator(VariantSnapshot items) {
    if (!items) items = std::make_shared<const std::vector<Variant>>();
    return SnapshotEnumerator::make(std::move(items), std::size_t{0});
}

}  // namespace corvex::platform
