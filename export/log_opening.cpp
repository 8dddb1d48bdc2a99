#include "export/log_opening.h"

#include "corvex/platform/bstr.h"
#include "corvex/platform/com_ptr.h"

namespace corvex::exporting {

std::optional<std::string> open_log_file(ILog* log, const std::string& path, std::string (*status_text)(HRESULT)) {
    std::int32_t result = -1;
    const platform::Bstr name = platform::Bstr::from_path(path);
    if (const HRESULT hr = log->Open(name.get(), &result); FAILED(hr))
        return "the log module failed to open it: " + status_text(hr);
    if (result == 0) return std::nullopt;
    // Open only answers -1; the module tells why, when it offers its reason.
    platform::ComPtr<ILogFormat> format;
    platform::Bstr why;
    if (SUCCEEDED(log->QueryInterface(IID_ILogFormat, format.put_void())) && format &&
        format->GetRejectionReason(why.put()) == S_OK && !why.is_null())
        return why.utf8();
    return "the log module does not accept it";
}

std::optional<LogFormatName> describe_format(ILog* log) {
    platform::ComPtr<ILogFormat> format;
    if (FAILED(log->QueryInterface(IID_ILogFormat, format.put_void())) || !format) return std::nullopt;
    platform::Bstr name, key;
    std::int32_t offset = 0;
    if (format->GetFormat(name.put(), key.put(), &offset) != S_OK) return std::nullopt;
    LogFormatName f{name.utf8(), key.utf8(), std::nullopt};
    if (f.key == "meter") f.header_offset = offset;
    return f;
}

}  // namespace corvex::exporting
