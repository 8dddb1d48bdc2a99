#include "export/export_error.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace corvex::exporting {

namespace {

int number_of(int err) {
    int number = error_number::kDeviceIo;
    switch (err) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
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
    return number;
}

ExportError numbered(int err, std::string_view action, const std::filesystem::path& path, std::string_view reason) {
    std::string text = "Cannot ";
    text += action;
    text += " '";
    text += path.string();
    text += "': ";
    text += reason;
    return {number_of(err), std::move(text)};
}

}  // namespace

ExportError file_error(int err, std::string_view action, const std::filesystem::path& path) {
    return numbered(err, action, path, std::strerror(err));
}

ExportError file_error(const platform::OutputError& error, const std::filesystem::path& path) {
    using Step = platform::OutputError::Step;
    const std::string_view action = error.step == Step::Open      ? "create"
                                    : error.step == Step::Replace ? "replace"
                                                                  : "write";
    return numbered(error.error, action, path, error.reason);
}

}  // namespace corvex::exporting

namespace corvex::exporting {

ExportError cancelled_error() { return {error_number::kCancelled, "Cancelled"}; }

ExportError source_error(const SourceError& error) {
    std::string what;
    switch (error.what) {
    case SourceError::What::NoLog:
        what = "for a log: there is none";
        break;
    case SourceError::What::NoLogInfo:
        what = "the log information: no log is open";
        break;
    case SourceError::What::Header:
        what = "the log header";
        break;
    case SourceError::What::Item:
        what = "item " + std::to_string(error.index);
        break;
    case SourceError::What::UnitCount:
        what = "its units: it reports " + std::to_string(error.index);
        break;
    }
    return {error_number::kLogModule, "The log module could not answer " + what};
}

}  // namespace corvex::exporting
