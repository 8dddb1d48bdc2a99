#include "viewer/command_line.h"

namespace corvex::viewer {

std::string command_line_path(std::span<const char* const> arguments) {
    std::string path;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (i > 0) path += ' ';
        if (arguments[i]) path += arguments[i];
    }
    return path;
}

}  // namespace corvex::viewer
