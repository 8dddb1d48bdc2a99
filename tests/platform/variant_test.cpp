#include <gtest/gtest.h>

#include "corvex/platform/variant.h"
#include "probe.h"

using corvex::platform::ComPtr;
using corvex::platform::Variant;

namespace {

ULONG refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

TEST(Variant, CopyAddsAReferenceAndClearReleasesIt) {
    auto probe = Probe::make();
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = VT_DISPATCH;
    a.pdispVal = probe.get();
    probe->AddRef();
    EXPECT_EQ(refs(probe.get()), 2u);
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_EQ(refs(probe.get()), 3u);
    EXPECT_EQ(VariantClear(&a), S_OK);
    EXPECT_EQ(a.vt, VT_EMPTY);
    EXPECT_EQ(refs(probe.get()), 2u);
    VariantClear(&b);
    EXPECT_EQ(refs(probe.get()), 1u);
}

TEST(Variant, CopyDuplicatesStringsAndReleasesWhatTheDestinationHeld) {
    VARIANT a, b;
    VariantInit(&a);
    VariantInit(&b);
    a.vt = VT_BSTR;
    a.bstrVal = SysAllocString(u"Velocity");
    b.vt = VT_BSTR;
    b.bstrVal = SysAllocString(u"old");  // must be freed by the copy (the sanitizer build checks)
    ASSERT_EQ(VariantCopy(&b, &a), S_OK);
    EXPECT_NE(a.bstrVal, b.bstrVal);
    EXPECT_EQ(corvex::platform::bstr_view(b.bstrVal), u"Velocity");
    VariantClear(&a);
    VariantClear(&b);
}

TEST(Variant, OwnerClearsOnDestructionAndMoves) {
    auto probe = Probe::make();
    {
        Variant v = Variant::from_dispatch(probe.get());
        Variant moved = std::move(v);
        EXPECT_EQ(v.type(), VT_EMPTY);
        EXPECT_EQ(moved.type(), VT_DISPATCH);
        EXPECT_EQ(refs(probe.get()), 2u);
    }
    EXPECT_EQ(refs(probe.get()), 1u);
}

TEST(Variant, ChangeTypeCoercesArgumentsTheWayLateBindingNeeds) {
    VARIANT src, dst;
    VariantInit(&src);
    VariantInit(&dst);
    std::int32_t by_ref = 42;
    src.vt = VT_I4 | VT_BYREF;
    src.plVal = &by_ref;
    ASSERT_EQ(VariantChangeType(&dst, &src, 0, VT_I4), S_OK);
    EXPECT_EQ(dst.lVal, 42);
    src.vt = VT_R8;
    src.dblVal = 2.5;
    ASSERT_EQ(VariantChangeType(&dst, &src, 0, VT_I4), S_OK);
    EXPECT_EQ(dst.lVal, 2) << "banker's rounding";
    src.vt = VT_I2;
    src.iVal = -7;
    ASSERT_EQ(VariantChangeType(&dst, &src, 0, VT_I4), S_OK);
    EXPECT_EQ(dst.lVal, -7);
    src.vt = VT_I4;
    src.lVal = 70000;
    EXPECT_EQ(VariantChangeType(&dst, &src, 0, VT_I2), DISP_E_OVERFLOW);
    src.vt = VT_BSTR;
    src.bstrVal = SysAllocString(u"not a number");
    EXPECT_EQ(VariantChangeType(&dst, &src, 0, VT_I4), DISP_E_TYPEMISMATCH);
    VariantClear(&src);
    VariantClear(&dst);
}

TEST(Variant, ReferenceToAVariantThatIsItselfAReferenceIsRefusedNotFollowedForEver) {
    // A reference to a variant may not lead to another such reference; a
    // client that builds a loop of them must get an error, not a stack overflow.
    VARIANT loop, dst;
    VariantInit(&loop);
    VariantInit(&dst);
    loop.vt = VT_VARIANT | VT_BYREF;
    loop.pvarVal = &loop;
    EXPECT_EQ(VariantChangeType(&dst, &loop, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dst.vt, VT_EMPTY);

    VARIANT value, ref;
    VariantInit(&value);
    VariantInit(&ref);
    value.vt = VT_I2;
    value.iVal = 5;
    ref.vt = VT_VARIANT | VT_BYREF;
    ref.pvarVal = &value;
    ASSERT_EQ(VariantChangeType(&dst, &ref, 0, VT_I4), S_OK);
    EXPECT_EQ(dst.lVal, 5);
}

}  // namespace
