#include <gtest/gtest.h>

#include "corvex/platform/module.h"
#include "probe.h"

using corvex::platform::ComPtr;
namespace module = corvex::platform::module;

namespace {

ULONG refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
}

TEST(Object, AnswersItsInterfacesAndNothingElse) {
    auto probe = Probe::make();
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(probe->QueryInterface(IID_IEnumVARIANT, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(probe->QueryInterface(IID_IProbe, nullptr), E_POINTER);
    for (const GUID* iid : {&IID_IUnknown, &IID_IDispatch, &IID_IProbe}) {
        const ULONG before = refs(probe.get());
        ASSERT_EQ(probe->QueryInterface(*iid, &out), S_OK);
        EXPECT_EQ(refs(probe.get()), before + 1) << "every successful query adds a reference";
        static_cast<IUnknown*>(out)->Release();
    }
}

// A minimal outer object that aggregates a Probe.
class Outer final : public IUnknown {
public:
    Outer() { EXPECT_EQ(Probe::create_instance(this, IID_IUnknown, inner_.put_void()), S_OK); }
    HRESULT QueryInterface(const GUID& iid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (iid == IID_IUnknown) {
            *ppv = static_cast<IUnknown*>(this);
            AddRef();
            return S_OK;
        }
        return inner_->QueryInterface(iid, ppv);
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    ULONG refs_ = 1;
    ComPtr<IUnknown> inner_;
};

TEST(Object, AggregatedObjectDelegatesToItsOuterObject) {
    const auto before = module::live_objects();
    auto* outer = new Outer();
    ComPtr<IProbe> probe;
    ASSERT_EQ(outer->QueryInterface(IID_IProbe, probe.put_void()), S_OK);
    EXPECT_EQ(outer->refs_, 2u) << "the inner object's interfaces count on the outer object";
    ComPtr<IUnknown> identity;
    probe->QueryInterface(IID_IUnknown, identity.put_void());
    EXPECT_EQ(identity.get(), static_cast<IUnknown*>(outer)) << "IUnknown through an inner interface is the outer one";
    identity.reset();
    probe.reset();
    EXPECT_EQ(outer->refs_, 1u);
    EXPECT_EQ(module::live_objects(), before + 1);
    outer->Release();
    EXPECT_EQ(module::live_objects(), before);
}

TEST(Object, AggregationAsksForIUnknownOnly) {
    Outer outer;
    outer.refs_ = 100;  // never deleted here
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(Probe::create_instance(&outer, IID_IProbe, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(Probe::create_instance(nullptr, IID_IProbe, nullptr), E_POINTER);
    outer.inner_.reset();
}

}  // namespace
