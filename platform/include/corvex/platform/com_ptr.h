// Smart references for reference-counted objects, so that no code inside the
// boundary calls AddRef or Release by hand.
#pragma once

#include <type_traits>
#include <utility>

#include "corvex/platform/types.h"

namespace corvex::platform {

// Maps an interface type to its identifier. Each interface declares its own
// specialisation beside its declaration.
template <class T>
struct InterfaceId;
template <>
struct InterfaceId<IUnknown> {
    static constexpr const GUID& value = IID_IUnknown;
};
template <>
struct InterfaceId<IDispatch> {
    static constexpr const GUID& value = IID_IDispatch;
};
template <>
struct InterfaceId<IEnumVARIANT> {
    static constexpr const GUID& value = IID_IEnumVARIANT;
};
template <>
struct InterfaceId<IClassFactory> {
    static constexpr const GUID& value = IID_IClassFactory;
};

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Takes a new reference to p.
    explicit ComPtr(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) noexcept : ComPtr(static_cast<T*>(other.get())) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(ComPtr<U>&& other) noexcept : p_(other.detach()) {}
    ~ComPtr() { reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(p_, other.p_);
        return *this;
    }

    // Adopts a reference the caller already owns.
    static ComPtr attach(T* p) noexcept {
        ComPtr r;
        r.p_ = p;
        return r;
    }
    // Gives up ownership without releasing.
    [[nodiscard]] T* detach() noexcept { return std::exchange(p_, nullptr); }
    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // Releases the current reference and gives the address to receive a new one.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    template <class U>
    ComPtr<U> query() const noexcept {
        ComPtr<U> r;
        if (p_) p_->QueryInterface(InterfaceId<U>::value, r.put_void());
        return r;
    }

private:
    T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) noexcept {
    return a.get() == b.get();
}
template <class T>
bool operator==(const ComPtr<T>& a, std::nullptr_t) noexcept {
    return a.get() == nullptr;
}

}  // namespace corvex::platform
