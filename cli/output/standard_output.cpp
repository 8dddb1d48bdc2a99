#include "cli/output/standard_output.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace corvex::cli {

namespace {
int first_write_error = 0;
}

void write_standard_output(std::string_view text) {
    if (text.empty()) return;
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() && first_write_error == 0)
        first_write_error = errno ? errno : EIO;
}

std::string finish_standard_output() {
    if (std::fflush(stdout) != 0 && first_write_error == 0) first_write_error = errno ? errno : EIO;
    if (std::ferror(stdout) && first_write_error == 0) first_write_error = EIO;
    if (first_write_error == 0) return {};
    return std::string("cannot write to standard output: ") + std::strerror(first_write_error);
}

}  // namespace corvex::cli
