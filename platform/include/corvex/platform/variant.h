// An owner for one VARIANT: cleared when it goes.
#pragma once

#include <utility>

#include "corvex/platform/oleauto.h"

namespace corvex::platform {

class Variant {
public:
    Variant() noexcept { VariantInit(&v_); }
    Variant(const Variant& other) : Variant() { VariantCopy(&v_, &other.v_); }
    Variant(Variant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    Variant& operator=(const Variant& other) {
        if (this != &other) VariantCopy(&v_, &other.v_);
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(&v_);
            v_ = other.v_;
            VariantInit(&other.v_);
        }
        return *this;
    }
    ~Variant() { VariantClear(&v_); }

    static Variant from_double(double d) noexcept {
        Variant r;
        r.v_.vt = VT_R8;
        r.v_.dblVal = d;
        return r;
    }
    // Takes a new reference to the object.
    static Variant from_dispatch(IDispatch* p) noexcept {
        Variant r;
        r.v_.vt = VT_DISPATCH;
        r.v_.pdispVal = p;
        if (p) p->AddRef();
        return r;
    }

    VARIANT* get() noexcept { return &v_; }
    const VARIANT* get() const noexcept { return &v_; }
    VARIANT* put() noexcept {
        VariantClear(&v_);
        return &v_;
    }
    VARTYPE type() const noexcept { return v_.vt; }

private:
    VARIANT v_;
};

}  // namespace corvex::platform
