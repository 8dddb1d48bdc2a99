// A Log session that passes every call to a real one, except for the faults a
// test asks for: no log information, or a record that cannot be read (Item
// answers no record, as the real Log does for a record it cannot read).
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"

namespace corvex::viewer::testing {

// Holds every session's reads of records from `at` on until it is opened,
// so that a test can act while an export or a scan is under way.
class Gate {
public:
    explicit Gate(std::int32_t at) : at_(at) {}
    std::int32_t at() const { return at_; }
    void wait(std::int32_t index);
    void open();
    // Reads held at the gate now.
    int waiting();

private:
    const std::int32_t at_;
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
    int waiting_ = 0;
};

struct Faults {
    bool no_log_info = false;
    std::optional<std::int32_t> unreadable_record;
    std::shared_ptr<Gate> gate;
};

// A new session around a real one made by create_log_session().
Expected<platform::ComPtr<ILog>, std::string> faulty_session(const Faults& faults);

}  // namespace corvex::viewer::testing
