// The viewer's command line: everything after the program's name is one log
// path. The arguments the shell split are joined again with single blanks;
// quotes that reach the program stay part of the path.
#pragma once

#include <span>
#include <string>

namespace corvex::viewer {

// `arguments` without the program's name; empty when there are none.
std::string command_line_path(std::span<const char* const> arguments);

}  // namespace corvex::viewer
