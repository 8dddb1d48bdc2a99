#include "client_support.h"

#include <dlfcn.h>


#include "corvex/platform/bstr.h"

namespace corvex::client_test {
namespace {

template <class Fn>
Fn symbol(void* handle, const char* name) {
    return reinterpret_cast<Fn>(::dlsym(handle, name));
}

}  // namespace

const std::string& library_path() {
    static const std::string path = CORVEX_LIBRARY_PATH;
    return path;
}

const EntryPoints& entry_points() {
    static const EntryPoints entries = [] {
        EntryPoints e;
        void* handle = ::dlopen(library_path().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!handle) return e;
        e.get_class_object = symbol<decltype(e.get_class_object)>(handle, "DllGetClassObject");
        e.can_unload_now = symbol<decltype(e.can_unload_now)>(handle, "DllCanUnloadNow");
        e.register_server = symbol<decltype(e.register_server)>(handle, "DllRegisterServer");
        e.unregister_server = symbol<decltype(e.unregister_server)>(handle, "DllUnregisterServer");
        return e;
    }();
    return entries;
}

void ClientTest::SetUp() {
    ASSERT_EQ(::setenv("CORVEX_REGISTRY", store_path().c_str(), 1), 0);
    const EntryPoints& e = entry_points();
    ASSERT_TRUE(e.get_class_object && e.can_unload_now && e.register_server && e.unregister_server)
        << "cannot load " << library_path() << ": " << (::dlerror() ? ::dlerror() : "");
    if (register_) {
        ASSERT_EQ(e.register_server(), S_OK);
    }
}

platform::RegistryStore ClientTest::read_store() const {
    auto store = platform::RegistryStore::load(store_path());
    EXPECT_TRUE(store.has_value()) << (store ? "" : store.error().message);
    return store ? std::move(store).value() : platform::RegistryStore{};
}

// ---- late binding -----------------------------------------------------------------

platform::Variant v_i2(std::int16_t v) {
    platform::Variant r;
    r.get()->vt = VT_I2;
    r.get()->iVal = v;
    return r;
}
platform::Variant v_i4(std::int32_t v) {
    platform::Variant r;
    r.get()->vt = VT_I4;
    r.get()->lVal = v;
    return r;
}
platform::Variant v_r8(double v) { return platform::Variant::from_double(v); }
platform::Variant v_bstr(std::u16string_view text) {
    platform::Variant r;
    r.get()->vt = VT_BSTR;
    r.get()->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return r;
}
platform::Variant v_ref_i4(std::int32_t* target) {
    platform::Variant r;
    r.get()->vt = VT_I4 | VT_BYREF;
    r.get()->plVal = target;
    return r;
}
std::u16string bstr_text(const platform::Variant& v) {
    if (v.type() != VT_BSTR) return u"<not a string>";
    return std::u16string(platform::bstr_view(v.get()->bstrVal));
}

DISPID dispid_of(IDispatch* object, const char16_t* name) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK) << "name not found";
    return id;
}

HRESULT invoke(IDispatch* object, DISPID id, WORD flags, std::vector<platform::Variant> args,
               platform::Variant& result, UINT* arg_err) {
    // DISPPARAMS holds the arguments last to first.
    std::vector<VARIANT> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->get());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    UINT err = 0;
    const HRESULT hr = object->Invoke(id, IID_NULL, 0, flags, &params, result.put(), nullptr, &err);
    if (arg_err) *arg_err = err;
    return hr;
}

platform::Variant call(IDispatch* object, const char16_t* name, std::vector<platform::Variant> args) {
    platform::Variant result;
    EXPECT_EQ(invoke(object, dispid_of(object, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::move(args), result),
              S_OK);
    return result;
}

HRESULT put(IDispatch* object, const char16_t* name, platform::Variant value) {
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{value.get(), &named, 1, 1};
    return object->Invoke(dispid_of(object, name), IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr,
                          nullptr);
}

}  // namespace corvex::client_test
