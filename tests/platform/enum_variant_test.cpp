#include <gtest/gtest.h>

#include <vector>

#include "corvex/platform/enum_variant.h"
#include "probe.h"

using corvex::platform::ComPtr;
using corvex::platform::Variant;

namespace {

ComPtr<IEnumVARIANT> enumerator_over(int n, std::vector<ComPtr<Probe>>& items) {
    auto snapshot = std::make_shared<std::vector<Variant>>();
    for (int i = 0; i < n; ++i) {
        items.push_back(Probe::make(i));
        snapshot->push_back(Variant::from_dispatch(items.back().get()));
    }
    return corvex::platform::make_snapshot_enumerator(std::move(snapshot));
}

std::int32_t value_of(const VARIANT& v) {
    std::int32_t x = -1;
    ComPtr<IProbe> p;
    v.pdispVal->QueryInterface(IID_IProbe, p.put_void());
    p->get_Value(&x);
    return x;
}

TEST(SnapshotEnumerator, NextDeliversWhatIsLeftAndSaysWhenItWasLess) {
    std::vector<ComPtr<Probe>> items;
    auto e = enumerator_over(3, items);
    VARIANT v[5];
    ULONG fetched = 99;
    ASSERT_EQ(e->Next(2, v, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(v[0].vt, VT_DISPATCH);
    EXPECT_EQ(value_of(v[0]), 0);
    EXPECT_EQ(value_of(v[1]), 1);
    VariantClear(&v[0]);
    VariantClear(&v[1]);
    EXPECT_EQ(e->Next(5, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(value_of(v[0]), 2);
    VariantClear(&v[0]);
    EXPECT_EQ(e->Next(1, v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    // Null pointers: E_POINTER, except a count for one element.
    e->Reset();
    EXPECT_EQ(e->Next(1, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(e->Next(3, v, nullptr), E_POINTER);
    ASSERT_EQ(e->Next(1, v, nullptr), S_OK);
    VariantClear(&v[0]);
    EXPECT_EQ(e->Clone(nullptr), E_POINTER);
}

TEST(SnapshotEnumerator, SkipOntoTheEndIsSFalseAndResetStartsAgainEvenWhenEmpty) {
    std::vector<ComPtr<Probe>> items;
    auto e = enumerator_over(3, items);
    EXPECT_EQ(e->Skip(0), S_OK);
    EXPECT_EQ(e->Skip(2), S_OK);
    EXPECT_EQ(e->Skip(1), S_FALSE) << "landing exactly on the end";
    EXPECT_EQ(e->Skip(5), S_FALSE);
    VARIANT v;
    ULONG fetched = 7;
    EXPECT_EQ(e->Next(1, &v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(e->Reset(), S_OK);
    ASSERT_EQ(e->Next(1, &v, &fetched), S_OK);
    EXPECT_EQ(value_of(v), 0);
    VariantClear(&v);
    auto empty = corvex::platform::make_snapshot_enumerator(nullptr);
    EXPECT_EQ(empty->Next(1, &v, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);
    EXPECT_EQ(empty->Skip(1), S_FALSE);
}

TEST(SnapshotEnumerator, CloneSharesTheSnapshotAtTheSamePosition) {
    std::vector<ComPtr<Probe>> items;
    auto e = enumerator_over(3, items);
    e->Skip(1);
    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(e->Clone(clone.put()), S_OK);
    VARIANT a, b;
    ASSERT_EQ(clone->Next(1, &a, nullptr), S_OK);
    ASSERT_EQ(e->Next(1, &b, nullptr), S_OK);
    EXPECT_EQ(a.pdispVal, b.pdispVal) << "the same element object, not a rebuilt one";
    EXPECT_EQ(value_of(a), 1);
    VariantClear(&a);
    VariantClear(&b);
}

}  // namespace
