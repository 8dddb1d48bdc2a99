// An owner for automation strings: frees its BSTR when it goes.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "corvex/platform/oleauto.h"

namespace corvex::platform {

class Bstr {
public:
    Bstr() noexcept = default;
    explicit Bstr(std::u16string_view text)
        : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    Bstr(const Bstr& other) : Bstr(other.view()) {}
    Bstr(Bstr&& other) noexcept : s_(std::exchange(other.s_, nullptr)) {}
    Bstr& operator=(Bstr other) noexcept {
        std::swap(s_, other.s_);
        return *this;
    }
    ~Bstr() { SysFreeString(s_); }

    static Bstr from_utf8(std::string_view text);
    static Bstr from_cp1252(std::string_view text);
    // A file name's bytes, losslessly (text::path_to_utf16).
    static Bstr from_path(std::string_view bytes);
    static Bstr attach(BSTR s) noexcept {
        Bstr b;
        b.s_ = s;
        return b;
    }

    [[nodiscard]] BSTR detach() noexcept { return std::exchange(s_, nullptr); }
    // Frees the current string and gives the address to receive a new one.
    BSTR* put() noexcept {
        SysFreeString(std::exchange(s_, nullptr));
        return &s_;
    }
    BSTR get() const noexcept { return s_; }
    bool is_null() const noexcept { return s_ == nullptr; }
    // A null string reads as empty.
    std::u16string_view view() const noexcept { return s_ ? std::u16string_view(s_, SysStringLen(s_)) : u""; }
    std::string utf8() const;
    std::string cp1252() const;

    // A new string for an out-argument; null out-pointers are the caller's to check.
    BSTR copy() const { return SysAllocStringLen(s_ ? s_ : u"", SysStringLen(s_)); }

private:
    BSTR s_ = nullptr;
};

// The text of any BSTR, without taking ownership.
inline std::u16string_view bstr_view(BSTR s) noexcept {
    return s ? std::u16string_view(s, SysStringLen(s)) : std::u16string_view();
}

}  // namespace corvex::platform
