// Driving every class through its vtable and through IDispatch by name, and
// the failure codes of Invoke.
#include <fstream>

#include "client_support.h"
#include "corvex/platform/activation.h"
#include "corvex/platform/bstr.h"

namespace corvex::client_test {
namespace {

using platform::Bstr;

template <class I>
ComPtr<I> create(const char* prog_id) {
    ComPtr<I> p;
    EXPECT_EQ(platform::create_instance(prog_id, platform::InterfaceId<I>::value, p.put_void()), S_OK) << prog_id;
    return p;
}

std::u16string bstr_of(BSTR s) {
    Bstr owner = Bstr::attach(s);
    return std::u16string(owner.view());
}

class Binding : public ClientTest {
protected:
    void SetUp() override {
        ClientTest::SetUp();
        logs_ = fixture_logs();
    }
    std::u16string log_path(const char* name) const {
        const std::string p = (logs_ / name).string();
        return std::u16string(p.begin(), p.end());  // the fixture folder's name is ASCII
    }
    std::filesystem::path logs_;
};

TEST_F(Binding, EarlyBoundThroughTheVtables) {
    auto log = create<ILog>("Corvex.Log");
    ASSERT_TRUE(log);
    std::int32_t ret = 1;
    ASSERT_EQ(log->Open(Bstr(log_path("pc.log")).get(), &ret), S_OK);
    ASSERT_EQ(ret, 0);
    std::int32_t count = 0;
    ASSERT_EQ(log->get_Count(&count), S_OK);
    EXPECT_GE(count, 2);  // how many of the three records count is the reader's business

    ComPtr<ILogInfo> info;
    ASSERT_EQ(log->GetLogInfo(info.put()), S_OK);
    ASSERT_TRUE(info);
    ASSERT_EQ(info->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);
    std::int16_t interval = 0;
    EXPECT_EQ(info->get_Interval(&interval), S_OK);
    EXPECT_EQ(interval, 30);
    ComPtr<ILogItem> item;
    ASSERT_EQ(info->get_Item(1, item.put()), S_OK);
    BSTR label = nullptr;
    ASSERT_EQ(item->get_Label(&label), S_OK);
    EXPECT_TRUE(bstr_of(label).starts_with(u"Pressure"));

    ComPtr<ILogRecord> record;
    ASSERT_EQ(log->get_Item(1, record.put()), S_OK);
    ASSERT_TRUE(record);
    ComPtr<ILogUnit> unit;
    ASSERT_EQ(record->get_Item(1, unit.put()), S_OK);
    VARIANT value;
    VariantInit(&value);
    ASSERT_EQ(unit->get_Value(&value), S_OK);
    EXPECT_EQ(value.vt, VT_R8);
    EXPECT_DOUBLE_EQ(value.dblVal, 200.5);
    VariantClear(&value);
    std::int16_t error = 0;
    EXPECT_EQ(unit->get_Error(&error), S_OK);
    EXPECT_EQ(error, 1);

    auto units = create<IUnitTypeInfo>("Corvex.UnitTypeInfo.1");
    std::int16_t unit_count = 0;
    EXPECT_EQ(units->get_UnitCount(&unit_count), S_OK);
    EXPECT_EQ(unit_count, 380);
    BSTR name = nullptr;
    EXPECT_EQ(units->get_Name(-5, &name), S_OK);
    EXPECT_TRUE(bstr_of(name).starts_with(u"Unknown Unit (")) << "a fallback name for an unknown type";

    auto convert = create<IConvertLog>("Corvex.ConvertLog");
    EXPECT_EQ(convert->put_Comport(3), S_OK);
    EXPECT_EQ(convert->put_NodeID(12), S_OK);
    EXPECT_EQ(convert->put_ComputerName(Bstr(u"BENCH").get()), S_OK);
    std::int32_t converted = -1;
    ASSERT_EQ(convert->RZ417ToPC(Bstr(log_path("meter.log")).get(), Bstr(log_path("out.log")).get(), &converted), S_OK);
    EXPECT_EQ(converted, 0);
    EXPECT_GT(std::filesystem::file_size(logs_ / "out.log"), 0u);
}

TEST_F(Binding, NamesResolveWithoutCaseToThePublishedIds) {
    auto log = create<IDispatch>("Corvex.Log");
    auto units = create<IDispatch>("Corvex.UnitTypeInfo");
    auto convert = create<IDispatch>("Corvex.ConvertLog");
    struct Case {
        IDispatch* object;
        const char16_t* name;
        DISPID id;
    };
    const Case cases[] = {
        {log.get(), u"open", 1},          {log.get(), u"OPEN", 1},          {log.get(), u"Item", 0},
        {log.get(), u"_NewEnum", -4},     {log.get(), u"GetLogInfo", 5},    {log.get(), u"count", 8},
        {log.get(), u"Seek", 4},          {units.get(), u"Mneumonic", 7},   {units.get(), u"UnitCount", 6},
        {convert.get(), u"ComPort", 2},   {convert.get(), u"RZ417ToPC", 1}, {convert.get(), u"computername", 4},
    };
    for (const Case& c : cases) {
        DISPID id = 99;
        LPOLESTR names[] = {const_cast<LPOLESTR>(c.name)};
        EXPECT_EQ(c.object->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
        EXPECT_EQ(id, c.id);
    }
    // Further names are argument positions.
    LPOLESTR seek[] = {const_cast<LPOLESTR>(u"Seek"), const_cast<LPOLESTR>(u"WHENCE"), const_cast<LPOLESTR>(u"nOff")};
    DISPID ids[3] = {};
    EXPECT_EQ(log->GetIDsOfNames(IID_NULL, seek, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);

    LPOLESTR unknown[] = {const_cast<LPOLESTR>(u"Close")};
    EXPECT_EQ(log->GetIDsOfNames(IID_NULL, unknown, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    LPOLESTR bad_arg[] = {const_cast<LPOLESTR>(u"Seek"), const_cast<LPOLESTR>(u"offset")};
    EXPECT_EQ(log->GetIDsOfNames(IID_NULL, bad_arg, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 4);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);

    ITypeInfo* type_info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(log->GetTypeInfo(0, 0, &type_info), E_NOTIMPL);
    EXPECT_EQ(type_info, nullptr);
}

TEST_F(Binding, LateBoundByName) {
    auto log = create<IDispatch>("Corvex.Log.1");
    Variant opened = call(log.get(), u"Open", {v_bstr(log_path("pc.log"))});
    ASSERT_EQ(opened.type(), VT_I4);
    EXPECT_EQ(opened.get()->lVal, 0);
    Variant count = call(log.get(), u"Count");
    ASSERT_EQ(count.type(), VT_I4);
    EXPECT_GE(count.get()->lVal, 2);

    // The index coerces from short, double and a reference to a long.
    std::int32_t by_ref = 1;
    for (Variant index : {v_i2(1), v_r8(1.0), v_ref_i4(&by_ref), v_bstr(u"1")}) {
        Variant record = call(log.get(), u"Item", {index});
        ASSERT_EQ(record.type(), VT_DISPATCH);
        Variant time = call(call(record.get()->pdispVal, u"Item", {v_i4(0)}).get()->pdispVal, u"Time");
        ASSERT_EQ(time.type(), VT_R8);
        EXPECT_DOUBLE_EQ(time.get()->dblVal, 40000 + 1 / 24.0);
    }
    // DISPID 0 is Item, sent as a property read.
    Variant record;
    ASSERT_EQ(invoke(log.get(), DISPID_VALUE, DISPATCH_PROPERTYGET, {v_i4(0)}, record), S_OK);
    ASSERT_EQ(record.type(), VT_DISPATCH);
    IDispatch* rec = record.get()->pdispVal;
    EXPECT_EQ(call(rec, u"Count").get()->lVal, 2);
    Variant unit = call(rec, u"GetNextUnit");
    ASSERT_EQ(unit.type(), VT_UNKNOWN);
    ComPtr<IDispatch> unit_dispatch;
    ASSERT_EQ(unit.get()->punkVal->QueryInterface(IID_IDispatch, unit_dispatch.put_void()), S_OK);
    Variant value = call(unit_dispatch.get(), u"Value");
    ASSERT_EQ(value.type(), VT_R8);
    EXPECT_DOUBLE_EQ(value.get()->dblVal, 1.5);
    Variant error = call(unit_dispatch.get(), u"Error");
    EXPECT_EQ(error.type(), VT_I2);

    // DISPID -4 is the record enumerator.
    Variant enumerator;
    ASSERT_EQ(invoke(log.get(), DISPID_NEWENUM, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, enumerator), S_OK);
    ASSERT_EQ(enumerator.type(), VT_UNKNOWN);
    ComPtr<IEnumVARIANT> records;
    ASSERT_EQ(enumerator.get()->punkVal->QueryInterface(IID_IEnumVARIANT, records.put_void()), S_OK);
    VARIANT first;
    VariantInit(&first);
    ULONG fetched = 0;
    EXPECT_EQ(records->Next(1, &first, &fetched), S_OK);
    EXPECT_EQ(first.vt, VT_DISPATCH);
    VariantClear(&first);

    Variant info = call(log.get(), u"GetLogInfo");
    ASSERT_EQ(info.type(), VT_DISPATCH);
    EXPECT_EQ(call(info.get()->pdispVal, u"Interval").type(), VT_I2);
    Variant item = call(info.get()->pdispVal, u"Item", {v_i2(0)});
    ASSERT_EQ(item.type(), VT_DISPATCH);
    EXPECT_TRUE(bstr_text(call(item.get()->pdispVal, u"Label")).starts_with(u"Inlet flow"));

    auto units = create<IDispatch>("Corvex.UnitTypeInfo");
    Variant unit_count = call(units.get(), u"UnitCount");
    ASSERT_EQ(unit_count.type(), VT_I2);
    EXPECT_EQ(unit_count.get()->iVal, 380);
    EXPECT_EQ(call(units.get(), u"Width", {v_i2(-5)}).get()->iVal, 12);
    EXPECT_TRUE(bstr_text(call(units.get(), u"ShortName", {v_r8(-5)})).starts_with(u"#"));

    auto convert = create<IDispatch>("Corvex.ConvertLog");
    EXPECT_EQ(put(convert.get(), u"Comport", v_i4(4)), S_OK);
    EXPECT_EQ(put(convert.get(), u"NodeID", v_i2(9)), S_OK);
    EXPECT_EQ(put(convert.get(), u"ComputerName", v_bstr(u"LATE")), S_OK);
    Variant converted = call(convert.get(), u"RZ417ToPC", {v_bstr(log_path("meter.log")), v_bstr(log_path("late.log"))});
    ASSERT_EQ(converted.type(), VT_I4);
    EXPECT_EQ(converted.get()->lVal, 0);
    std::ifstream out(logs_ / "late.log", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(out)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find("LATE"), std::string::npos);
}

TEST_F(Binding, InvokeFaultsAnswerThePlatformCodes) {
    auto log = create<IDispatch>("Corvex.Log");
    auto convert = create<IDispatch>("Corvex.ConvertLog");
    VARIANT missing;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = static_cast<SCODE>(0x80020004u);  // DISP_E_PARAMNOTFOUND: an omitted argument
    Variant omitted;
    *omitted.get() = missing;

    struct Case {
        const char* what;
        IDispatch* object;
        DISPID id;
        WORD flags;
        std::vector<Variant> args;
        HRESULT expected;
        UINT arg_err;  // checked for type mismatches
    };
    const WORD get = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    const Case cases[] = {
        {"unassigned DISPID", log.get(), 3, get, {}, DISP_E_MEMBERNOTFOUND, 0},
        {"put on a read-only property", log.get(), 8, DISPATCH_PROPERTYPUT, {v_i4(1)}, DISP_E_MEMBERNOTFOUND, 0},
        {"read of a write-only property", convert.get(), 2, get, {}, DISP_E_MEMBERNOTFOUND, 0},
        {"too many arguments", log.get(), 8, get, {v_i4(1)}, DISP_E_BADPARAMCOUNT, 0},
        {"too few arguments", log.get(), 0, get, {}, DISP_E_BADPARAMCOUNT, 0},
        {"omitted required argument", log.get(), 0, get, {omitted}, DISP_E_PARAMNOTOPTIONAL, 0},
        {"index that is no number", log.get(), 0, get, {v_bstr(u"first")}, DISP_E_TYPEMISMATCH, 0},
        {"first of two arguments", log.get(), 4, get, {v_bstr(u"x"), v_i4(0)}, DISP_E_TYPEMISMATCH, 1},
        {"second of two arguments", log.get(), 4, get, {v_i4(0), v_bstr(u"x")}, DISP_E_TYPEMISMATCH, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Variant result;
        UINT arg_err = 77;
        EXPECT_EQ(invoke(c.object, c.id, c.flags, c.args, result, &arg_err), c.expected);
        if (c.expected == DISP_E_TYPEMISMATCH) {
            EXPECT_EQ(arg_err, c.arg_err);
        }
        EXPECT_EQ(result.type(), VT_EMPTY);
    }
}

}  // namespace
}  // namespace corvex::client_test
