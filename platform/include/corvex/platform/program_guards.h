// What a program sets up first so that nothing it writes is lost, left behind
// or written to the wrong place. Called by programs (the tool, the viewer, the
// registration tool), never by a library: signal dispositions belong to the
// program.
//
//  - A standard descriptor (0, 1, 2) that is closed at start is held on
//    /dev/null opened for nothing (O_PATH), so that no file the program opens
//    later takes its number and output meant for it cannot land in that file;
//    it is remembered as closed, and writing to it fails.
//  - SIGPIPE is ignored: a write into a pipe whose reader has gone fails with
//    EPIPE and is reported like any other write error; SIGXFSZ likewise, so a
//    write beyond the file-size limit fails with EFBIG.
//  - SIGINT, SIGTERM and SIGHUP remove the temporary files registered with
//    TemporaryFile (temporary_files.h), then end the process as the signal
//    would have.
#pragma once

namespace corvex::platform {

void guard_program();

// True when descriptor `fd` (0, 1 or 2) was closed when guard_program ran.
bool standard_descriptor_closed_at_start(int fd) noexcept;

}  // namespace corvex::platform
