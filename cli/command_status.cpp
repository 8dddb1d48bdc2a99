#include "cli/command_status.h"

#include <cstdio>
#include <string>

#include "cli/output/visible_text.h"

namespace corvex::cli {

int report_failure(std::string_view command, std::string_view message, int status) {
    std::string line = "corvex";
    if (!command.empty()) {
        line += ' ';
        line += command;
    }
    line += ": ";
    append_visible(line, message);
    line += '\n';
    std::fflush(stdout);
    std::fputs(line.c_str(), stderr);
    return status;
}

}  // namespace corvex::cli
