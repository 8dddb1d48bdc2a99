// Driving every class through IDispatch by name. How names resolve and how
// Invoke fails are the platform's dispatch, checked in tests/platform/dispatch_test.cpp.
#include "client_support.h"
#include "corvex/platform/activation.h"
#include "tests/support/log_file.h"

namespace corvex::client_test {
namespace {

namespace lw = corvex::logwriter;

template <class I>
ComPtr<I> create(const char* prog_id) {
    ComPtr<I> p;
    EXPECT_EQ(platform::create_instance(prog_id, platform::InterfaceId<I>::value, p.put_void()), S_OK) << prog_id;
    return p;
}

class Binding : public ClientTest {
protected:
    // pc.log: two labelled channels, three records an hour apart; meter.log: one channel, four records.
    void SetUp() override {
        ClientTest::SetUp();
        lw::LogDescription pc, meter;
        pc.channels.resize(2);
        pc.channels[0].label = "Inlet flow";
        pc.channels[0].unit_type = 577;
        pc.channels[1].unit_type = 12;
        for (int r = 0; r < 3; ++r)
            pc.records.push_back({40000 + r / 24.0, {1.5 + r, 100.25 * (r + 1)}, {0, static_cast<std::int16_t>(r)}, 0});
        corvex::testing::write_log(dir_, "pc.log", pc);
        meter.format = lw::Format::Meter;
        meter.channels.resize(1);
        meter.channels[0].unit_type = 577;
        for (int r = 0; r < 4; ++r) meter.records.push_back({41000.25 + r, {2.0 * r}, {}, 0});
        corvex::testing::write_log(dir_, "meter.log", meter);
    }
    std::u16string log_path(const char* name) const {
        const std::string p = (dir() / name).string();
        return std::u16string(p.begin(), p.end());  // the scratch folder's name is ASCII
    }
};

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
    EXPECT_NE(corvex::testing::read_file(dir() / "late.log").find("LATE"), std::string::npos);
}

}  // namespace
}  // namespace corvex::client_test
