// The library's class table: every creatable class with its published
// description and the function that makes a new object of it.
#pragma once

#include <span>

#include "logmodule/typeinfo/interface_descriptions.h"

namespace corvex::automation {

// The class-factory path of one class: a new object, aggregated when `outer`
// is given (then only IID_IUnknown may be asked for), queried for `iid`.
using CreateInstanceFn = HRESULT (*)(IUnknown* outer, const IID& iid, void** ppv);

struct ClassEntry {
    const typeinfo::ClassDesc* desc;
    CreateInstanceFn create_instance;
};

// In class-table order, which is also the order of registration.
std::span<const ClassEntry> class_table();
// nullptr when the identifier is not in the table.
const ClassEntry* find_class(const CLSID& clsid);

}  // namespace corvex::automation
