// What the client tests share: a fresh registry store per test with the
// library registered in it, the library's entry points, and a small
// late-binding helper. Uses only the published header and the platform.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/registry_store.h"
#include "corvex/platform/variant.h"
#include "tests/support/scratch_dir.h"

namespace corvex::client_test {

using platform::ComPtr;
using platform::Variant;

struct EntryPoints {
    HRESULT (*get_class_object)(const CLSID&, const IID&, void**) = nullptr;
    HRESULT (*can_unload_now)() = nullptr;
    HRESULT (*register_server)() = nullptr;
    HRESULT (*unregister_server)() = nullptr;
};

// The published classes: ProgID "Corvex.<name>.1", interface "I<name>".
struct PublishedClass {
    const char* name;
    CLSID clsid;
    IID iid;
};
inline const PublishedClass kPublishedClasses[] = {
    {"Log", CLSID_Log, IID_ILog},
    {"LogRecord", CLSID_LogRecord, IID_ILogRecord},
    {"LogInfo", CLSID_LogInfo, IID_ILogInfo},
    {"LogUnit", CLSID_LogUnit, IID_ILogUnit},
    {"LogItem", CLSID_LogItem, IID_ILogItem},
    {"UnitTypeInfo", CLSID_UnitTypeInfo, IID_IUnitTypeInfo},
    {"ConvertLog", CLSID_ConvertLog, IID_IConvertLog},
};

// The library under test, loaded once per process (as activation loads it).
const std::string& library_path();
const EntryPoints& entry_points();

// A private folder with CORVEX_REGISTRY pointing into it; the library is
// registered there unless the test asks otherwise.
class ClientTest : public ::testing::Test {
protected:
    explicit ClientTest(bool register_library = true) : register_(register_library) {}
    void SetUp() override;

    std::filesystem::path store_path() const { return dir_ / "registry"; }
    platform::RegistryStore read_store() const;
    const std::filesystem::path& dir() const { return dir_.path(); }

    corvex::testing::ScratchDir dir_;

private:
    bool register_;
};

// ---- late binding -------------------------------------------------------------

platform::Variant v_i2(std::int16_t v);
platform::Variant v_i4(std::int32_t v);
platform::Variant v_r8(double v);
platform::Variant v_bstr(std::u16string_view text);
// A VT_BYREF | VT_I4 argument pointing at `target`.
platform::Variant v_ref_i4(std::int32_t* target);
std::u16string bstr_text(const platform::Variant& v);

DISPID dispid_of(IDispatch* object, const char16_t* name);
// Invokes by DISPID with positional arguments given in natural order; the
// result lands in `result`. Returns Invoke's status; *arg_err as Invoke set it.
HRESULT invoke(IDispatch* object, DISPID id, WORD flags, std::vector<platform::Variant> args,
               platform::Variant& result, UINT* arg_err = nullptr);
// Invokes by name with DISPATCH_METHOD | DISPATCH_PROPERTYGET, as scripting clients do.
platform::Variant call(IDispatch* object, const char16_t* name, std::vector<platform::Variant> args = {});
// A property put with the named argument DISPID_PROPERTYPUT.
HRESULT put(IDispatch* object, const char16_t* name, platform::Variant value);

}  // namespace corvex::client_test
