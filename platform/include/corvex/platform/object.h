// Reference-counted object base with aggregation built in.
//
// UnknownObject<Derived, Itf, Extensions...> answers IUnknown, Itf (and
// IDispatch when Itf is a dual interface) and each of the extension interfaces
// (call-table only, derived from IUnknown), and nothing else; IUnknown is
// always reached through Itf, so it has one identity. When created inside an
// outer object it
// hands that outer object a separate, non-delegating IUnknown; every other
// interface then delegates QueryInterface, AddRef and Release to the outer
// object, as the platform's aggregation contract requires.
//
// Derived must be final: Release deletes the object as its own type, since the
// interfaces have no virtual destructor.
#pragma once

#include <atomic>
#include <new>
#include <type_traits>
#include <utility>

#include "corvex/platform/com_ptr.h"
#include "corvex/platform/dispatch.h"
#include "corvex/platform/module.h"

namespace corvex::platform {

template <class Derived, class Itf, class... Extensions>
class UnknownObject : public Itf, public Extensions... {
public:
    // ---- IUnknown (delegating when aggregated) -----------------------------
    HRESULT QueryInterface(const GUID& riid, void** ppv) override {
        if (outer_) return outer_->QueryInterface(riid, ppv);
        return internal_query(riid, ppv);
    }
    ULONG AddRef() override { return outer_ ? outer_->AddRef() : internal_add_ref(); }
    ULONG Release() override { return outer_ ? outer_->Release() : internal_release(); }

    // Creates a stand-alone object holding one reference, for use inside the module.
    template <class... Args>
    static ComPtr<Derived> make(Args&&... args) {
        Derived* p = new (std::nothrow) Derived(std::forward<Args>(args)...);
        if (!p) return {};
        p->refs_.store(1, std::memory_order_relaxed);
        return ComPtr<Derived>::attach(p);
    }

    // The class-factory path: creates an object, aggregated when `outer` is given
    // (then only IID_IUnknown may be asked for), and queries it for riid.
    static HRESULT create_instance(IUnknown* outer, const GUID& riid, void** ppv) {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer && !(riid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
        static_assert(std::is_default_constructible_v<Derived>, "creatable classes need a default constructor");
        Derived* p = new (std::nothrow) Derived();
        if (!p) return E_OUTOFMEMORY;
        p->outer_ = outer;
        // Hold a reference across the query so a failing query destroys the object.
        p->internal_add_ref();
        HRESULT hr = p->internal_query(riid, ppv);
        p->internal_release();
        return hr;
    }

    UnknownObject(const UnknownObject&) = delete;
    UnknownObject& operator=(const UnknownObject&) = delete;

protected:
    UnknownObject() noexcept : inner_(this) { module::object_created(); }
    ~UnknownObject() { module::object_destroyed(); }

private:
    // The non-delegating IUnknown handed to an outer object.
    struct Inner final : IUnknown {
        explicit Inner(UnknownObject* owner) noexcept : owner_(owner) {}
        HRESULT QueryInterface(const GUID& riid, void** ppv) override { return owner_->internal_query(riid, ppv); }
        ULONG AddRef() override { return owner_->internal_add_ref(); }
        ULONG Release() override { return owner_->internal_release(); }
        UnknownObject* owner_;
    };

    HRESULT internal_query(const GUID& riid, void** ppv) {
        if (!ppv) return E_POINTER;
        IUnknown* found = nullptr;
        if (riid == IID_IUnknown)
            found = outer_ ? static_cast<IUnknown*>(&inner_) : static_cast<IUnknown*>(static_cast<Itf*>(this));
        else if (riid == InterfaceId<Itf>::value)
            found = static_cast<Itf*>(this);
        else if constexpr (std::is_base_of_v<IDispatch, Itf>) {
            if (riid == IID_IDispatch) found = static_cast<Itf*>(this);
        }
        if constexpr (sizeof...(Extensions) > 0) {
            if (!found)
                (void)((riid == InterfaceId<Extensions>::value ? (found = static_cast<Extensions*>(this), true) : false) ||
                       ...);
        }
        if (!found) {
            *ppv = nullptr;
            return E_NOINTERFACE;
        }
        found->AddRef();
        *ppv = found;
        return S_OK;
    }
    ULONG internal_add_ref() noexcept { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG internal_release() noexcept {
        ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete static_cast<Derived*>(this);
        return left;
    }

    Inner inner_;
    std::atomic<ULONG> refs_{0};
    IUnknown* outer_ = nullptr;  // not counted: the outer object owns us
};

// Adds IDispatch driven by the interface's compiled type information.
template <class Derived, class Itf, class... Extensions>
class DispatchObject : public UnknownObject<Derived, Itf, Extensions...> {
    static_assert(std::is_base_of_v<IDispatch, Itf>);

public:
    HRESULT GetTypeInfoCount(UINT* pctinfo) override {
        if (!pctinfo) return E_POINTER;
        *pctinfo = InterfaceDescription<Itf>::get() ? 1 : 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override {
        if (ppTInfo) *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetIDsOfNames(const GUID&, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        const InterfaceDesc* desc = InterfaceDescription<Itf>::get();
        if (!desc) return E_NOTIMPL;
        return dispatch_get_ids_of_names(*desc, names, count, ids);
    }
    HRESULT Invoke(DISPID id, const GUID&, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* excep, UINT* arg_err) override {
        const InterfaceDesc* desc = InterfaceDescription<Itf>::get();
        if (!desc) return E_NOTIMPL;
        return dispatch_invoke(*desc, static_cast<Itf*>(this), id, flags, params, result, excep, arg_err);
    }

protected:
    DispatchObject() noexcept = default;
};

}  // namespace corvex::platform
