#include "cli/log_access.h"

#include <atomic>
#include <cstdio>

#include "cli/command_status.h"
#include "corvex/platform/bstr.h"

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
    // Once per run, also when several logs are exported at a time.
    static std::atomic<bool> warned{false};
    if (!origin.beside || (origin.registered != REGDB_E_READREGDB && origin.registered != E_ACCESSDENIED)) return;
    if (warned.exchange(true)) return;
    const std::string why = origin.registered_why.empty() ? status_text(origin.registered) : origin.registered_why;
    report_failure("", "warning: " + why + "; using " + platform::library_beside_executable().string());
}

Expected<OpenLog, std::string> open_log(const std::string& path) {
    auto log = create_module_object<ILog>(CLSID_Log, "Corvex.Log");
    if (!log) return Unexpected{log.error()};

    if (auto refused = exporting::open_log_file(log->get(), path, status_text)) return Unexpected{path + ": " + *refused};

    OpenLog open{std::move(*log), {}};
    const HRESULT info_hr = open.log->GetLogInfo(open.info.put());
    if (FAILED(info_hr) || !open.info)
        return Unexpected{path + ": the log module gave no log information: " + status_text(info_hr)};
    return open;
}

Expected<exporting::RecordSource, std::string> open_records(const OpenLog& open, const std::string& path) {
    auto source = exporting::RecordSource::open(open.log.get());
    if (source) return std::move(source).value();
    const exporting::SourceError& e = source.error();
    switch (e.what) {
    case exporting::SourceError::What::UnitCount:
        return Unexpected{path + ": the log module reports " + std::to_string(e.index) + " units"};
    case exporting::SourceError::What::Item:
        if (e.call == "LogInfo.Item")
            return Unexpected{path + ": reading LogInfo.Item(" + std::to_string(e.index) + ") failed: " + status_text(e.status)};
        break;
    case exporting::SourceError::What::NoLog:
    case exporting::SourceError::What::NoLogInfo:
        return Unexpected{path + ": the log module gave no log information: " + status_text(e.status)};
    case exporting::SourceError::What::Header:
        break;
    }
    return Unexpected{path + ": reading " + e.call + " failed: " + status_text(e.status)};
}

}  // namespace corvex::cli
