// A small dual interface and object for exercising the platform layer alone.
#pragma once

#include "corvex/platform/bstr.h"
#include "corvex/platform/dispatch.h"
#include "corvex/platform/object.h"

struct IProbe : IDispatch {
    virtual HRESULT get_Value(std::int32_t* pVal) = 0;
    virtual HRESULT Scale(std::int32_t factor, std::int16_t shift, double* pRet) = 0;
    virtual HRESULT put_Name(BSTR newVal) = 0;
    virtual HRESULT get_Name(BSTR* pVal) = 0;
};
inline constexpr IID IID_IProbe = make_guid("0C0FFEE0-0000-4000-8000-000000000001");

template <>
struct corvex::platform::InterfaceId<IProbe> {
    static constexpr const GUID& value = IID_IProbe;
};
template <>
struct corvex::platform::InterfaceDescription<IProbe> {
    static const InterfaceDesc* get();
};

class Probe final : public corvex::platform::DispatchObject<Probe, IProbe> {
public:
    Probe() = default;
    explicit Probe(std::int32_t value) : value_(value) {}
    HRESULT get_Value(std::int32_t* pVal) override {
        if (!pVal) return E_POINTER;
        *pVal = value_;
        return S_OK;
    }
    HRESULT Scale(std::int32_t factor, std::int16_t shift, double* pRet) override {
        if (!pRet) return E_POINTER;
        if (factor == 0) return E_FAIL;
        *pRet = static_cast<double>(value_) * factor + shift;
        return S_OK;
    }
    HRESULT put_Name(BSTR newVal) override {
        name_ = corvex::platform::Bstr(corvex::platform::bstr_view(newVal));
        return S_OK;
    }
    HRESULT get_Name(BSTR* pVal) override {
        if (!pVal) return E_POINTER;
        *pVal = name_.copy();
        return S_OK;
    }

private:
    std::int32_t value_ = 7;
    corvex::platform::Bstr name_;
};
