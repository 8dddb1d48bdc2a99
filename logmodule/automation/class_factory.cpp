#include "logmodule/automation/class_factory.h"

#include <atomic>
#include <mutex>
#include <new>
#include <vector>

#include "corvex/platform/module.h"
#include "logmodule/automation/class_table.h"

namespace corvex::automation {
namespace {

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateInstanceFn create) noexcept : create_(create) {}
    ClassFactory(const ClassFactory&) = delete;
    ClassFactory& operator=(const ClassFactory&) = delete;

    HRESULT QueryInterface(const GUID& riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            AddRef();
            *ppv = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG AddRef() override { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Release() override {
        const ULONG left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }

    // Aggregation, E_OUTOFMEMORY and the interface query are the object base's.
    HRESULT CreateInstance(IUnknown* outer, const GUID& riid, void** ppv) override {
        return create_(outer, riid, ppv);
    }
    HRESULT LockServer(std::int32_t lock) override {
        if (lock) {
            platform::module::lock();
        } else if (platform::module::locks() > 0) {
            // An unlock without a lock would drive the count negative and keep
            // the module loaded for good; it is ignored.
            platform::module::unlock();
        }
        return S_OK;
    }

private:
    ~ClassFactory() = default;

    CreateInstanceFn create_;
    std::atomic<ULONG> refs_{1};  // the cache's reference
};

// The module-wide lock and the factory cache, set up when the library loads;
// the cache's references are dropped when it unloads.
class FactoryCache {
public:
    FactoryCache() : factories_(class_table().size(), nullptr) {}
    FactoryCache(const FactoryCache&) = delete;
    FactoryCache& operator=(const FactoryCache&) = delete;
    ~FactoryCache() {
        for (ClassFactory* f : factories_)
            if (f) f->Release();
    }

    // The cached factory of table entry `index`, made on first use; nullptr when out of memory.
    ClassFactory* factory(std::size_t index) {
        std::lock_guard lock(mutex_);
        ClassFactory*& slot = factories_[index];
        if (!slot) slot = new (std::nothrow) ClassFactory(class_table()[index].create_instance);
        return slot;
    }

private:
    std::mutex mutex_;
    std::vector<ClassFactory*> factories_;
};

FactoryCache g_cache;

}  // namespace

HRESULT get_class_object(const CLSID& clsid, const IID& iid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    const ClassEntry* entry = find_class(clsid);
    if (!entry) return CLASS_E_CLASSNOTAVAILABLE;
    const auto index = static_cast<std::size_t>(entry - class_table().data());
    ClassFactory* factory = g_cache.factory(index);
    if (!factory) return E_OUTOFMEMORY;
    return factory->QueryInterface(iid, ppv);
}

}  // namespace corvex::automation
