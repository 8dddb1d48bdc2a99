#include "cli/log_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "cli/command_status.h"
#include "corvex/platform/bstr.h"
#include "logmodule/formats/open_log.h"

namespace corvex::cli {

namespace {

std::string hex_status(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
    return text;
}

}  // namespace

std::string status_text(HRESULT hr) {
    struct Named {
        HRESULT hr;
        const char* name;
    };
    static constexpr Named kNames[] = {
        {E_NOTIMPL, "E_NOTIMPL"},
        {E_NOINTERFACE, "E_NOINTERFACE"},
        {E_POINTER, "E_POINTER"},
        {E_FAIL, "E_FAIL"},
        {E_UNEXPECTED, "E_UNEXPECTED"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_INVALIDARG, "E_INVALIDARG"},
        {E_ACCESSDENIED, "E_ACCESSDENIED"},
        {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
        {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
        {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
        {REGDB_E_READREGDB, "REGDB_E_READREGDB"},
        {CO_E_DLLNOTFOUND, "CO_E_DLLNOTFOUND"},
        {CO_E_ERRORINDLL, "CO_E_ERRORINDLL"},
    };
    for (const Named& n : kNames)
        if (n.hr == hr) return std::string(n.name) + " (" + hex_status(hr) + ")";
    return hex_status(hr);
}

std::string creation_failure(std::string_view prog_id, const platform::ModuleObjectFailure& failure) {
    const auto why = [](const std::string& said, HRESULT hr) { return said.empty() ? status_text(hr) : said; };
    return "cannot create " + std::string(prog_id) + ": registry: " + why(failure.registered_why, failure.registered) +
           "; " + failure.library.string() + ": " + why(failure.beside_why, failure.beside);
}

void warn_about_store(const platform::ModuleObjectOrigin& origin) {
    static bool warned = false;
    if (warned || !origin.beside || (origin.registered != REGDB_E_READREGDB && origin.registered != E_ACCESSDENIED))
        return;
    warned = true;
    const std::string why = origin.registered_why.empty() ? status_text(origin.registered) : origin.registered_why;
    report_failure("", "warning: " + why + "; using " + platform::library_beside_executable().string());
}

Expected<OpenLog, std::string> open_log(const std::string& path) {
    auto log = create_module_object<ILog>(CLSID_Log, "Corvex.Log");
    if (!log) return Unexpected{log.error()};

    std::int32_t result = -1;
    const platform::Bstr name = platform::Bstr::from_path(path);
    const HRESULT hr = (*log)->Open(name.get(), &result);
    if (FAILED(hr)) return Unexpected{path + ": the log module failed to open it: " + status_text(hr)};
    if (result != 0) {
        // Open only answers -1; find out why, for the user.
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) return Unexpected{path + ": is a directory"};
        if (std::FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
        } else {
            return Unexpected{path + ": cannot open: " + std::strerror(errno)};
        }
        std::string why = formats::explain_rejection(path);
        if (why.empty()) why = "the log module does not accept it";
        return Unexpected{path + ": not a readable log: " + why};
    }

    OpenLog open{std::move(*log), {}};
    const HRESULT info_hr = open.log->GetLogInfo(open.info.put());
    if (FAILED(info_hr) || !open.info)
        return Unexpected{path + ": the log module gave no log information: " + status_text(info_hr)};
    return open;
}

std::optional<FormatDescription> describe_format(const std::string& path) {
    auto opened = formats::open_log(path);
    if (!opened) return std::nullopt;
    switch (opened->format) {
    case formats::LogFormat::Pc:
        return FormatDescription{"PC log", "pc", std::nullopt};
    case formats::LogFormat::Meter:
        return FormatDescription{"meter log", "meter", opened->header_offset};
    case formats::LogFormat::CompactMeter:
        return FormatDescription{"compact meter log", "compact_meter", std::nullopt};
    }
    return std::nullopt;
}

}  // namespace corvex::cli
