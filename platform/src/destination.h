// Where a name given as an output destination leads, by the rules of
// output_file.h: links followed (a loop refused), names of descriptors this
// process holds recognised before a link into /proc could lead past them.
#pragma once

#include <string>
#include <string_view>

#include "corvex/platform/expected.h"
#include "corvex/platform/output_file.h"

namespace corvex::platform::detail {

struct Destination {
    enum class Kind { Path, HeldDescriptor };
    Kind kind = Kind::Path;
    std::string path;     // Path: absolute, no link at its end (it may not exist yet)
    int descriptor = -1;  // HeldDescriptor: the descriptor's number, checked open for writing
};

Expected<Destination, OutputError> resolve_destination(std::string_view name);

OutputError open_error(int error, std::string reason = {});

}  // namespace corvex::platform::detail
