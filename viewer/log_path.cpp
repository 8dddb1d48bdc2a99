#include "viewer/log_path.h"

namespace corvex::viewer {

std::string log_title(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string log_folder(std::string_view path) {
    // Cut where the title begins at the end of the path; a search for the
    // title from the start would stop early in "/logs/a.log.d/a.log".
    return std::string(path.substr(0, path.size() - log_title(path).size()));
}

std::string proposed_export_name(std::string_view path, std::string_view extension) {
    const std::size_t name_start = path.size() - log_title(path).size();
    const std::size_t dot = path.rfind('.');
    const bool has_extension = dot != std::string_view::npos && dot > name_start;
    std::string name(has_extension ? path.substr(0, dot) : path);
    name += extension;
    return name;
}

}  // namespace corvex::viewer
