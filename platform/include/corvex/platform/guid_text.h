// The braced text form of a GUID, "{1B466F2F-659E-11D5-8ABD-00D0B760DD12}".
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "corvex/platform/types.h"

namespace corvex::platform {

// Upper-case hexadecimal, in braces, as the registry stores it.
std::string format_guid(const GUID& guid);
// Accepts the form with or without braces, in either case; nullopt when malformed.
std::optional<GUID> parse_guid(std::string_view text);

}  // namespace corvex::platform
