// The registrar language and the type library's text form.
#include <gtest/gtest.h>

#include "logmodule/automation/registrar.h"
#include "logmodule/automation/typelib_text.h"

namespace corvex::automation {
namespace {

using platform::RegistryStore;

TEST(Registrar, AppliesFlagsAndReplacesTheModulePath) {
    const char* script = R"(HKCR
{
    App.Thing = s 'It''s a thing'
    {
        Path = s '%MODULE%'
        {
            val Percent = s '100%%'
        }
        Delete Old
    }
    NoRemove Shared
    {
        ForceRemove Mine
        'Quoted key' = s 'q'
    }
})";
    RegistryStore store;
    store.set_default_value("App.Thing\\Old", "stale");
    store.set_default_value("Shared\\Mine\\Leftover", "x");
    store.set_default_value("Shared\\Theirs", "keep");
    const std::string module = "/odd 'path'/%MODULE%/lib.so";
    ASSERT_EQ(apply_registration_script(script, RegistrarAction::Register, module, store), S_OK);
    EXPECT_EQ(store.default_value("App.Thing"), "It's a thing");
    EXPECT_EQ(store.default_value("App.Thing\\Path"), module);
    EXPECT_EQ(store.value("App.Thing\\Path", "Percent"), "100%");
    EXPECT_FALSE(store.has_key("App.Thing\\Old"));
    EXPECT_TRUE(store.has_key("Shared\\Mine"));
    EXPECT_FALSE(store.has_key("Shared\\Mine\\Leftover"));
    EXPECT_EQ(store.default_value("Shared\\Quoted key"), "q");

    ASSERT_EQ(apply_registration_script(script, RegistrarAction::Unregister, module, store), S_OK);
    EXPECT_FALSE(store.has_key("App.Thing"));
    EXPECT_FALSE(store.has_key("Shared\\Mine"));
    EXPECT_TRUE(store.has_key("Shared\\Theirs"));
}

TEST(Registrar, MalformedScriptsChangeNothing) {
    const char* bad[] = {
        "HKLM { A }",          "HKCR { A = s 'x' ",      "HKCR { A = d '1' }", "HKCR { A = s 'x }",
        "HKCR { val A = s 'x' }", "HKCR { A = s '%WHAT%' }", "HKCR { A\\B }",       "HKCR { A } extra",
    };
    for (const char* script : bad) {
        RegistryStore store;
        std::string error;
        EXPECT_EQ(apply_registration_script(script, RegistrarAction::Register, "/m", store, &error), E_INVALIDARG)
            << script;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(store.empty()) << script;
    }
}

// How members, properties and arguments are written out.
TEST(TypeLibraryText, ShowsMembersAndArguments) {
    const std::string text = type_library_text();
    for (const char* expected : {
             "library CORVEXLib",
             "[propget, id(-4), helpstring(\"property _NewEnum\")]\n    HRESULT _NewEnum([out, retval] IUnknown** pVal);",
             "HRESULT Seek([in] int nOff, [in] int whence, [out, retval] long* pRet);",
             "[propput, id(2), helpstring(\"property ComPort\")]\n    HRESULT Comport([in] short newVal);",
             "[default] interface IUnitTypeInfo;",
         })
        EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

}  // namespace
}  // namespace corvex::automation
