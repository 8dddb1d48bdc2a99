// Progress of a long command, on standard error, for a person watching.
//
// Shown only when standard error is a terminal, so that scripts and logs
// never see it; redrawn in place on one line and wiped when done.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace corvex::cli {

class Progress {
public:
    // Shows progress on standard error when it is a terminal and the caller
    // wants it (a command may have reasons of its own to stay quiet).
    explicit Progress(std::string what, bool wanted = true);
    // For tests: draws on `stream` when `enabled`.
    Progress(std::string what, std::FILE* stream, bool enabled);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // Redraws only when the whole percentage changes.
    void update(std::int64_t done, std::int64_t total);
    // Wipes the line; later updates are ignored.
    void finish();

private:
    std::string what_;
    std::FILE* stream_;
    bool enabled_;
    int last_percent_ = -1;
    bool drawn_ = false;
};

}  // namespace corvex::cli
