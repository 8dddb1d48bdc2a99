// How the viewer reaches the log module: like any client, through class
// activation (platform::create_module_object), so it runs whatever library the
// registry store names. When the class is not registered or its library does
// not load (a fresh build, an installation without registration),
// libCorvex.so beside the viewer's executable stands in.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"

namespace corvex::viewer {

inline constexpr std::string_view kLogProgId = "Corvex.Log";

// A new, unopened Log session. On failure, one line saying why.
Expected<platform::ComPtr<ILog>, std::string> create_log_session();

// The library file the sessions come from: the InprocServer32 library
// registered for the Log class in the registry store when that file exists,
// else libCorvex.so beside the executable.
std::filesystem::path log_module_path();

}  // namespace corvex::viewer
