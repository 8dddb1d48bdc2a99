// How the Python module reaches the log module: like every client, through
// class activation, so that it runs whatever library the registry store names.
// When activation gives no object, the library that stands in is the one
// beside this extension (the build tree links it there), else the one
// installed in the library folder.
#pragma once

#include <string>
#include <string_view>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"

namespace corvex::python {

// "0x80004005": a status code for a message.
std::string status_text(HRESULT hr);

// One line saying why neither the registry nor the library that stands in
// (libCorvex.so beside this extension when there is one, else the installed
// one) gave an object; or empty after a success.
std::string create_object(const CLSID& clsid, const IID& iid, void** ppv, std::string_view prog_id);

template <class I>
Expected<platform::ComPtr<I>, std::string> create_module_object(const CLSID& clsid, std::string_view prog_id) {
    platform::ComPtr<I> object;
    std::string failure = create_object(clsid, platform::InterfaceId<I>::value, object.put_void(), prog_id);
    if (!failure.empty()) return Unexpected{std::move(failure)};
    if (!object) return Unexpected{"cannot create " + std::string(prog_id)};
    return object;
}

}  // namespace corvex::python
