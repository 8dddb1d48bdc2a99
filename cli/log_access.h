// How the tool reaches the log module: like any client, through class
// activation, so it runs whatever library the registry names. When a class is
// not registered (a fresh build, an installation without registration), the
// tool falls back to libCorvex.so in its own folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"
#include "corvex/platform/module_objects.h"
#include "export/log_opening.h"
#include "export/record_source.h"

namespace corvex::cli {

// The platform's name for a status code ("REGDB_E_CLASSNOTREG") with its value.
std::string status_text(HRESULT hr);

// One line saying why neither the registered class nor the library beside the
// executable gave an object of `prog_id`.
std::string creation_failure(std::string_view prog_id, const platform::ModuleObjectFailure& failure);

// When the object came from the library beside the tool because the registry
// store could not be used (malformed, unreadable, or writable by others),
// says so once per run on standard error: the user's registrations are being
// passed over.
void warn_about_store(const platform::ModuleObjectOrigin& origin);

// An object of one of the module's classes (platform::create_module_object),
// or one line saying why there is none.
template <class I>
Expected<platform::ComPtr<I>, std::string> create_module_object(const CLSID& clsid, std::string_view prog_id) {
    platform::ComPtr<I> object;
    const auto created = platform::create_module_object(clsid, platform::InterfaceId<I>::value, object.put_void());
    if (!created) return Unexpected{creation_failure(prog_id, created.error())};
    warn_about_store(*created);
    if (!object) return Unexpected{"cannot create " + std::string(prog_id)};
    return object;
}

// An open log and its header object.
struct OpenLog {
    platform::ComPtr<ILog> log;
    platform::ComPtr<ILogInfo> info;
};

// Creates a Log and opens `path` (bytes, as given on the command line, handed
// to Log.Open through the lossless file-name mapping of text.h). On
// failure the error is one line, starting with the path, that says why the file
// is not a readable log: missing, not readable, or which check it failed.
Expected<OpenLog, std::string> open_log(const std::string& path);

// The open log's header, items and records; on failure one line, starting
// with the path, that says which call the module did not answer.
Expected<exporting::RecordSource, std::string> open_records(const OpenLog& open, const std::string& path);

}  // namespace corvex::cli
