// A Log session that passes every call to a real one, except for the faults a
// test asks for: no log information, or a record that cannot be read (Item
// answers no record, as the real Log does for a record it cannot read).
#pragma once

#include <optional>
#include <string>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"

namespace corvex::viewer::testing {

struct Faults {
    bool no_log_info = false;
    std::optional<std::int32_t> unreadable_record;
};

// A new session around a real one made by create_log_session().
Expected<platform::ComPtr<ILog>, std::string> faulty_session(const Faults& faults);

}  // namespace corvex::viewer::testing
