// A small std::expected stand-in (C++23's <expected> is not available to g++ 12
// in C++20 mode): a value or an error, never both, never an exception.
#pragma once

#include <cassert>
#include <type_traits>
#include <utility>
#include <variant>

namespace corvex {

template <class E>
struct Unexpected {
    explicit Unexpected(E e) : error(std::move(e)) {}
    E error;
};
template <class E>
Unexpected(E) -> Unexpected<E>;

template <class T, class E>
class [[nodiscard]] Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    Expected(Unexpected<E> e) : state_(std::in_place_index<1>, std::move(e.error)) {}

    bool has_value() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    T& value() & {
        assert(has_value());
        return std::get<0>(state_);
    }
    const T& value() const& {
        assert(has_value());
        return std::get<0>(state_);
    }
    T&& value() && {
        assert(has_value());
        return std::get<0>(std::move(state_));
    }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }

    const E& error() const {
        assert(!has_value());
        return std::get<1>(state_);
    }

private:
    std::variant<T, E> state_;
};

// Expected<void, E>: success or an error.
template <class E>
class [[nodiscard]] Expected<void, E> {
public:
    Expected() = default;
    Expected(Unexpected<E> e) : error_(std::move(e.error)), ok_(false) {}
    bool has_value() const noexcept { return ok_; }
    explicit operator bool() const noexcept { return ok_; }
    const E& error() const {
        assert(!ok_);
        return error_;
    }

private:
    E error_{};
    bool ok_ = true;
};

}  // namespace corvex
