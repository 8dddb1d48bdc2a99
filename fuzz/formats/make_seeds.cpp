// Writes the log writer's reference logs as a seed corpus: make-formats-seeds <folder>
#include <cstdio>
#include <filesystem>

#include "tools/logwriter/log_cases.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-formats-seeds <folder>\n");
        return 2;
    }
    try {
        std::filesystem::create_directories(argv[1]);
        for (const auto& c : corvex::logwriter::reference_log_cases())
            corvex::logwriter::write_log(std::filesystem::path(argv[1]) / (c.name + ".log"), c.desc);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-formats-seeds: %s\n", e.what());
        return 1;
    }
    return 0;
}
