#include "viewer/module_version.h"

#include "corvex/platform/version_info.h"

namespace corvex::viewer {

const std::string& ModuleVersion::read(const std::filesystem::path& library, const std::function<void()>& on_missing) {
    const auto info = platform::read_version_info(library);
    if (!info) {
        if (on_missing) on_missing();
        return text_;
    }
    text_ = info->file_version_text();
    return text_;
}

}  // namespace corvex::viewer
