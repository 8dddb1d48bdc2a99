#include <gtest/gtest.h>

#include "probe.h"

using corvex::platform::AutoType;
using corvex::platform::ComPtr;
using corvex::platform::InterfaceDesc;
using corvex::platform::MemberDesc;
using corvex::platform::MemberKind;
using corvex::platform::ParamDesc;

namespace {

HRESULT invoke_value(IDispatch* self, VARIANT*, VARIANT* r) {
    r->vt = VT_I4;
    return static_cast<IProbe*>(self)->get_Value(&r->lVal);
}
HRESULT invoke_scale(IDispatch* self, VARIANT* a, VARIANT* r) {
    r->vt = VT_R8;
    return static_cast<IProbe*>(self)->Scale(a[0].lVal, a[1].iVal, &r->dblVal);
}
HRESULT invoke_put_name(IDispatch* self, VARIANT* a, VARIANT*) { return static_cast<IProbe*>(self)->put_Name(a[0].bstrVal); }
HRESULT invoke_get_name(IDispatch* self, VARIANT*, VARIANT* r) {
    r->vt = VT_BSTR;
    return static_cast<IProbe*>(self)->get_Name(&r->bstrVal);
}

constexpr ParamDesc kScaleParams[] = {{"factor", AutoType::Long, "long"}, {"shift", AutoType::Short, "short"}};
constexpr ParamDesc kNameParam[] = {{"newVal", AutoType::Bstr, "BSTR"}};
constexpr MemberDesc kMembers[] = {
    {"Value", 0, MemberKind::PropertyGet, "property Value", {}, {"pVal", AutoType::Long, "long"}, &invoke_value},
    {"Scale", 1, MemberKind::Method, "method Scale", kScaleParams, {"pRet", AutoType::Double, "double"}, &invoke_scale},
    {"Name", 2, MemberKind::PropertyPut, "property Name", kNameParam, {"", AutoType::Void, "void"}, &invoke_put_name},
    {"Name", 2, MemberKind::PropertyGet, "property Name", {}, {"pVal", AutoType::Bstr, "BSTR"}, &invoke_get_name},
    {"Label", 3, MemberKind::PropertyPut, "property Label", kNameParam, {"", AutoType::Void, "void"}, &invoke_put_name},
};
constexpr InterfaceDesc kProbeDesc{"IProbe", IID_IProbe, "IProbe Interface", kMembers};

struct Call {
    ComPtr<Probe> probe = Probe::make(7);
    VARIANT result;
    UINT arg_err = 999;
    EXCEPINFO excep{};
    Call() { VariantInit(&result); }
    ~Call() {
        VariantClear(&result);
        SysFreeString(excep.bstrSource);
    }
    HRESULT invoke(DISPID id, WORD flags, std::vector<VARIANT> args_reversed, std::vector<DISPID> named = {}) {
        DISPPARAMS p{args_reversed.data(), named.data(), static_cast<UINT>(args_reversed.size()),
                     static_cast<UINT>(named.size())};
        return probe->Invoke(id, IID_NULL, 0, flags, &p, &result, &excep, &arg_err);
    }
};

VARIANT i4(std::int32_t v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_I4;
    x.lVal = v;
    return x;
}
VARIANT r8(double v) {
    VARIANT x;
    VariantInit(&x);
    x.vt = VT_R8;
    x.dblVal = v;
    return x;
}

}  // namespace

const InterfaceDesc* corvex::platform::InterfaceDescription<IProbe>::get() { return &kProbeDesc; }

namespace {

TEST(Dispatch, NamesResolveCaseInsensitivelyWithArgumentPositions) {
    auto probe = Probe::make();
    UINT count = 0;
    EXPECT_EQ(probe->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 1u);
    OLECHAR scale[] = u"sCaLe";
    OLECHAR shift[] = u"SHIFT";
    OLECHAR factor[] = u"factor";
    LPOLESTR names[] = {scale, shift, factor};
    DISPID ids[3];
    ASSERT_EQ(probe->GetIDsOfNames(IID_NULL, names, 3, 0, ids), S_OK);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], 1);
    EXPECT_EQ(ids[2], 0);
    OLECHAR bogus[] = u"Bogus";
    LPOLESTR unknown[] = {bogus};
    EXPECT_EQ(probe->GetIDsOfNames(IID_NULL, unknown, 1, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], DISPID_UNKNOWN);
    // A known member with an unknown argument name: the member resolves, the argument does not.
    LPOLESTR bad_argument[] = {scale, bogus};
    EXPECT_EQ(probe->GetIDsOfNames(IID_NULL, bad_argument, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    ITypeInfo* type_info = reinterpret_cast<ITypeInfo*>(1);
    EXPECT_EQ(probe->GetTypeInfo(0, 0, &type_info), E_NOTIMPL);
    EXPECT_EQ(type_info, nullptr);
}

TEST(Dispatch, ArgumentsArriveInReverseOrderAndAreCoerced) {
    Call c;
    std::int16_t shift = 1;
    VARIANT by_ref;
    VariantInit(&by_ref);
    by_ref.vt = VT_I2 | VT_BYREF;
    by_ref.piVal = &shift;
    // Scale(factor = 3.0 as a double, shift = 1 by reference): rgvarg holds the last argument first.
    ASSERT_EQ(c.invoke(1, DISPATCH_METHOD, {by_ref, r8(3.0)}), S_OK);
    EXPECT_EQ(c.result.vt, VT_R8);
    EXPECT_DOUBLE_EQ(c.result.dblVal, 22.0);
}

TEST(Dispatch, PutTakesTheNamedPropertyPutArgument) {
    Call c;
    VARIANT name;
    VariantInit(&name);
    name.vt = VT_BSTR;
    name.bstrVal = SysAllocString(u"node-4");
    ASSERT_EQ(c.invoke(2, DISPATCH_PROPERTYPUT, {name}, {DISPID_PROPERTYPUT}), S_OK);
    VariantClear(&name);
    // Read back with the flags scripting clients combine for a property read.
    ASSERT_EQ(c.invoke(2, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}), S_OK);
    EXPECT_EQ(corvex::platform::bstr_view(c.result.bstrVal), u"node-4");
}

TEST(Dispatch, FaultsAnswerThePlatformsCodes) {
    struct Case {
        const char* what;
        DISPID id;
        WORD flags;
        std::vector<VARIANT> args;
        HRESULT expected;
        std::vector<DISPID> named = {};
        UINT arg_err = 0;  // checked for type mismatches
    };
    VARIANT missing, text;
    VariantInit(&missing);
    missing.vt = VT_ERROR;
    missing.scode = static_cast<SCODE>(0x80020004u);
    VariantInit(&text);
    text.vt = VT_BSTR;
    text.bstrVal = SysAllocString(u"three");
    const Case cases[] = {
        {"unassigned dispatch identifier", 42, DISPATCH_METHOD, {}, DISP_E_MEMBERNOTFOUND},
        {"put on a read-only property", 0, DISPATCH_PROPERTYPUT, {i4(1)}, DISP_E_MEMBERNOTFOUND},
        {"read of a write-only property", 3, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, DISP_E_MEMBERNOTFOUND},
        {"too many arguments", 0, DISPATCH_PROPERTYGET, {i4(1)}, DISP_E_BADPARAMCOUNT},
        {"too few arguments", 1, DISPATCH_METHOD, {i4(1)}, DISP_E_BADPARAMCOUNT},
        {"missing required argument", 1, DISPATCH_METHOD, {i4(1), missing}, DISP_E_PARAMNOTOPTIONAL},
        {"method called as a property", 1, DISPATCH_PROPERTYGET, {i4(1), i4(2)}, DISP_E_MEMBERNOTFOUND},
        // A named argument on top of every positional one is one argument too many,
        // not a silent replacement of the positional value.
        {"put value given twice, named and positional", 2, DISPATCH_PROPERTYPUT, {i4(1), i4(2)}, DISP_E_BADPARAMCOUNT,
         {DISPID_PROPERTYPUT}},
        {"named argument beyond both positional ones", 1, DISPATCH_METHOD, {i4(9), i4(1), r8(2)}, DISP_E_BADPARAMCOUNT,
         {1}},
        // Scale("three", 1) and Scale(1, "three"): the position counts in rgvarg, last argument first.
        {"uncoercible first argument", 1, DISPATCH_METHOD, {i4(1), text}, DISP_E_TYPEMISMATCH, {}, 1},
        {"uncoercible second argument", 1, DISPATCH_METHOD, {text, i4(1)}, DISP_E_TYPEMISMATCH, {}, 0},
        {"failing member", 1, DISPATCH_METHOD, {i4(0), i4(0)}, DISP_E_EXCEPTION},
    };
    for (const Case& k : cases) {
        Call c;
        EXPECT_EQ(c.invoke(k.id, k.flags, k.args, k.named), k.expected) << k.what;
        if (k.expected == DISP_E_TYPEMISMATCH) {
            EXPECT_EQ(c.arg_err, k.arg_err) << k.what;
        }
        if (k.expected == DISP_E_EXCEPTION) {
            EXPECT_EQ(c.excep.scode, E_FAIL) << "carries the member's failure";
        } else {
            EXPECT_EQ(c.result.vt, VT_EMPTY) << k.what << ": no member was called";
        }
    }
    VariantClear(&text);
}

}  // namespace
