// How the viewer reaches the log module: like any client, through class
// activation (platform::create_module_object), so it runs whatever library the
// registry store names. When the class is not registered or its library does
// not load (a fresh build, an installation without registration),
// libCorvex.so beside the viewer's executable stands in.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"

namespace corvex::viewer {

inline constexpr std::string_view kLogProgId = "Corvex.Log";

// A new, unopened Log session. On failure, one line saying why.
Expected<platform::ComPtr<ILog>, std::string> create_log_session();

// Makes new, unopened sessions: create_log_session() unless a test puts
// sessions of its own in.
using SessionFactory = std::function<Expected<platform::ComPtr<ILog>, std::string>()>;

// A session of `factory` with the log at `path` (bytes, handed to Log.Open
// through the lossless file-name mapping) open in it. On failure one line
// saying why: the module's own reason, as `corvex info` gives it ("cannot
// open: No such file or directory", "not a readable log: ..."), or why no
// session could be made.
Expected<platform::ComPtr<ILog>, std::string> open_log_session(const SessionFactory& factory, const std::string& path);

// The library file the sessions come from: the InprocServer32 library
// registered for the Log class in the registry store when that file exists,
// else libCorvex.so beside the executable.
std::filesystem::path log_module_path();

}  // namespace corvex::viewer
