#include "logmodule/automation/class_table.h"

#include <array>

#include "logmodule/convert/convert_log.h"
#include "logmodule/objects/log.h"
#include "logmodule/objects/log_info.h"
#include "logmodule/objects/log_item.h"
#include "logmodule/objects/log_record.h"
#include "logmodule/objects/log_unit.h"
#include "logmodule/units/unit_type_info.h"

namespace corvex::automation {
namespace {

// The C++ class behind each published class name.
namespace implementation {
using Log = objects::Log;
using LogRecord = objects::LogRecord;
using LogInfo = objects::LogInfo;
using LogUnit = objects::LogUnit;
using LogItem = objects::LogItem;
using UnitTypeInfo = units::UnitTypeInfo;
using ConvertLog = convert::ConvertLog;
}  // namespace implementation

// One creator per class, in the order of the published class list.
#define CVX_CLASS(Name, clsid, progid, viprogid, description, help, Itf, resource) \
    &implementation::Name::create_instance,
constexpr CreateInstanceFn kCreators[] = {
#include "corvex/corvex_xmacro_begin.h"
#include "corvex/corvex_interfaces.inc"
#include "corvex/corvex_xmacro_end.h"
};

// The table pairs the published descriptions (same list, same order) with the creators.
const std::array<ClassEntry, std::size(kCreators)>& table() {
    static const std::array<ClassEntry, std::size(kCreators)> entries = [] {
        std::array<ClassEntry, std::size(kCreators)> t{};
        const auto descs = typeinfo::classes();
        for (std::size_t i = 0; i < t.size() && i < descs.size(); ++i) t[i] = ClassEntry{&descs[i], kCreators[i]};
        return t;
    }();
    return entries;
}

}  // namespace

std::span<const ClassEntry> class_table() { return table(); }

const ClassEntry* find_class(const CLSID& clsid) {
    for (const ClassEntry& entry : table())
        if (entry.desc && entry.desc->clsid == clsid) return &entry;
    return nullptr;
}

}  // namespace corvex::automation
