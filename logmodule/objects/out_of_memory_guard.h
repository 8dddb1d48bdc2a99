// Keeps allocation failures inside the module: an operation that builds
// containers or strings runs through this and answers E_OUTOFMEMORY instead of
// letting std::bad_alloc cross the automation boundary.
#pragma once

#include <new>

#include "corvex/platform/types.h"

namespace corvex::objects {

template <class F>
HRESULT guard_out_of_memory(F&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

}  // namespace corvex::objects
