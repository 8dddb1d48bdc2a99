// Creating every class through the registry store, the class-factory and
// unload rules, and the failure codes of activation.
#include "client_support.h"
#include "corvex/platform/activation.h"
#include "corvex/platform/guid_text.h"

namespace corvex::client_test {
namespace {

using Activation = ClientTest;

TEST_F(Activation, EveryClassByProgIdAndByClsid) {
    for (const PublishedClass& c : kPublishedClasses) {
        const std::string version_independent = std::string("Corvex.") + c.name, prog_id = version_independent + ".1";
        SCOPED_TRACE(prog_id);
        EXPECT_EQ(platform::clsid_from_prog_id(prog_id), std::optional<CLSID>(c.clsid));
        EXPECT_EQ(platform::clsid_from_prog_id(version_independent), std::optional<CLSID>(c.clsid));

        ComPtr<IUnknown> by_prog, by_vi, by_clsid;
        ASSERT_EQ(platform::create_instance(prog_id, c.iid, by_prog.put_void()), S_OK);
        ASSERT_EQ(platform::create_instance(version_independent, IID_IDispatch, by_vi.put_void()), S_OK);
        ASSERT_EQ(platform::create_instance(c.clsid, IID_IUnknown, by_clsid.put_void()), S_OK);
        ASSERT_TRUE(by_prog && by_vi && by_clsid);

        // Each answers IUnknown, IDispatch and its own interface, nothing else.
        ComPtr<IUnknown> itf;
        EXPECT_EQ(by_clsid->QueryInterface(c.iid, itf.put_void()), S_OK);
        EXPECT_EQ(by_clsid->QueryInterface(IID_IDispatch, itf.put_void()), S_OK);
        EXPECT_EQ(by_clsid->QueryInterface(IID_IClassFactory, itf.put_void()), E_NOINTERFACE);
        EXPECT_FALSE(itf);
        const IID& other = c.iid == IID_ILog ? IID_ILogRecord : IID_ILog;
        EXPECT_EQ(by_clsid->QueryInterface(other, itf.put_void()), E_NOINTERFACE);

        ComPtr<IDispatch> dispatch;
        ASSERT_EQ(by_vi->QueryInterface(IID_IDispatch, dispatch.put_void()), S_OK);
        UINT count = 0;
        EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 1u);
    }
    ComPtr<ILog> log;
    EXPECT_EQ(platform::create_instance("corvex.LOG", IID_ILog, log.put_void()), S_OK) << "ProgIDs compare without case";
}

TEST_F(Activation, FailureCodes) {
    const CLSID missing_class = make_guid("0BADC0DE-0000-0000-0000-000000000001");
    const CLSID no_file = make_guid("0BADC0DE-0000-0000-0000-000000000002");
    const CLSID no_entry = make_guid("0BADC0DE-0000-0000-0000-000000000003");
    ASSERT_TRUE(platform::RegistryStore::update(store_path(), [&](platform::RegistryStore& s) {
        s.set_default_value("CLSID\\" + platform::format_guid(no_file) + "\\InprocServer32",
                            (dir() / "gone.so").string());
        s.set_default_value("CLSID\\" + platform::format_guid(no_entry) + "\\InprocServer32", CORVEX_NO_ENTRY_LIBRARY);
        s.set_default_value("Corvex.Stale\\CLSID", "not a guid");
        return true;
    }));
    struct Case {
        const char* what;
        CLSID clsid;
        HRESULT expected;
    };
    const Case cases[] = {
        {"class not registered", missing_class, REGDB_E_CLASSNOTREG},
        {"library missing", no_file, CO_E_DLLNOTFOUND},
        {"library without DllGetClassObject", no_entry, CO_E_ERRORINDLL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        void* p = reinterpret_cast<void*>(1);
        EXPECT_EQ(platform::create_instance(c.clsid, IID_IUnknown, &p), c.expected);
        EXPECT_EQ(p, nullptr);
        EXPECT_FALSE(platform::last_activation_error().empty());
    }

    ComPtr<IUnknown> object;
    EXPECT_EQ(platform::create_instance("Corvex.Nothing", IID_IUnknown, object.put_void()), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(platform::create_instance("Corvex.Stale", IID_IUnknown, object.put_void()), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(platform::create_instance("CLSID\\Corvex.Log", IID_IUnknown, object.put_void()), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(platform::create_instance("", IID_IUnknown, object.put_void()), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(platform::create_instance(CLSID_Log, IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(platform::create_instance(CLSID_Log, IID_IEnumVARIANT, object.put_void()), E_NOINTERFACE);
    EXPECT_FALSE(object);

    // Without the registry, straight from a library file.
    EXPECT_EQ(platform::create_instance_from_library((dir() / "gone.so").string(), CLSID_Log, IID_ILog,
                                                     object.put_void()),
              CO_E_DLLNOTFOUND);
    EXPECT_EQ(platform::create_instance_from_library(library_path(), missing_class, IID_IUnknown, object.put_void()),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(platform::create_instance_from_library(library_path(), CLSID_Log, IID_ILog, object.put_void()), S_OK);
    EXPECT_TRUE(platform::last_activation_error().empty());
}

// ---- class factories and unloading ------------------------------------------------

using Factory = ClientTest;

TEST_F(Factory, GetClassObjectRules) {
    const EntryPoints& e = entry_points();
    EXPECT_EQ(e.get_class_object(CLSID_Log, IID_IClassFactory, nullptr), E_POINTER);
    void* p = reinterpret_cast<void*>(1);
    EXPECT_EQ(e.get_class_object(make_guid("0BADC0DE-0000-0000-0000-000000000001"), IID_IClassFactory, &p),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(e.get_class_object(CLSID_Log, IID_ILog, &p), E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);

    // One factory per class, made once and handed out again.
    ComPtr<IClassFactory> first, second, other;
    ASSERT_EQ(e.get_class_object(CLSID_Log, IID_IClassFactory, first.put_void()), S_OK);
    ASSERT_EQ(e.get_class_object(CLSID_Log, IID_IUnknown, second.put_void()), S_OK);
    ASSERT_EQ(e.get_class_object(CLSID_LogUnit, IID_IClassFactory, other.put_void()), S_OK);
    EXPECT_EQ(static_cast<IUnknown*>(first.get()), static_cast<IUnknown*>(second.get()));
    EXPECT_NE(first.get(), other.get());

    // The outer object reaches the object base, which aggregates only through IUnknown.
    ComPtr<ILog> log;
    EXPECT_EQ(first->CreateInstance(first.get(), IID_ILog, log.put_void()), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(first->CreateInstance(nullptr, IID_ILog, nullptr), E_POINTER);
    EXPECT_EQ(first->CreateInstance(nullptr, IID_ILogUnit, log.put_void()), E_NOINTERFACE);
    EXPECT_EQ(first->CreateInstance(nullptr, IID_ILog, log.put_void()), S_OK);
    std::int32_t count = -1;
    EXPECT_EQ(log->get_Count(&count), S_OK);
}

TEST_F(Factory, UnloadOnlyWithoutObjectsOrLocks) {
    const EntryPoints& e = entry_points();
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(e.get_class_object(CLSID_LogInfo, IID_IClassFactory, factory.put_void()), S_OK);
    // A cached factory does not count.
    EXPECT_EQ(e.can_unload_now(), S_OK);

    ComPtr<ILogInfo> info;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ILogInfo, info.put_void()), S_OK);
    EXPECT_EQ(e.can_unload_now(), S_FALSE);
    // Objects handed out by an object count too.
    ComPtr<IUnknown> enumerator;
    ASSERT_EQ(info->get__NewEnum(enumerator.put()), S_OK);
    info.reset();
    EXPECT_EQ(e.can_unload_now(), S_FALSE);
    enumerator.reset();
    EXPECT_EQ(e.can_unload_now(), S_OK);

    // An unlock without a lock neither pins nor frees the module.
    EXPECT_EQ(factory->LockServer(0), S_OK);
    EXPECT_EQ(e.can_unload_now(), S_OK);
    EXPECT_EQ(factory->LockServer(1), S_OK);
    EXPECT_EQ(factory->LockServer(1), S_OK);
    EXPECT_EQ(e.can_unload_now(), S_FALSE);
    EXPECT_EQ(factory->LockServer(0), S_OK);
    EXPECT_EQ(e.can_unload_now(), S_FALSE);
    EXPECT_EQ(factory->LockServer(0), S_OK);
    EXPECT_EQ(e.can_unload_now(), S_OK);
}

}  // namespace
}  // namespace corvex::client_test
