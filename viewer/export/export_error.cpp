#include "viewer/export/export_error.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace corvex::exporting {

ExportError file_error(int err, std::string_view action, const std::filesystem::path& path) {
    int number = error_number::kDeviceIo;
    switch (err) {
        case ENOSPC:
        case EDQUOT:
            number = error_number::kDiskFull;
            break;
        case EACCES:
        case EPERM:
        case EROFS:
            number = error_number::kPermissionDenied;
            break;
        case ENOENT:
        case ENOTDIR:
            number = error_number::kPathNotFound;
            break;
        case EISDIR:
        case ENAMETOOLONG:
        case ELOOP:
            number = error_number::kFileAccess;
            break;
        default:
            break;
    }
    std::string text = "Cannot ";
    text += action;
    text += " '";
    text += path.string();
    text += "': ";
    text += std::strerror(err);
    return {number, std::move(text)};
}

}  // namespace corvex::exporting
