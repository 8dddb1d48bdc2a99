// What went wrong while a workbook package was written.
#pragma once

#include <string>

namespace corvex::xlsx {

enum class ErrorKind {
    io,        // a write, read, seek, flush or close of a file failed
    usage,     // a call the package does not allow (rows out of order, a bad sheet name, ...)
    limit,     // beyond what a workbook holds (rows, columns, text length)
    resource,  // memory, threads or the compressor could not be had
};

struct Error {
    ErrorKind kind = ErrorKind::usage;
    int os_error = 0;     // errno of the failed system call; 0 when there was none
    std::string message;  // what failed, for the user
};

// An io error "Cannot <what>: <strerror(os_error)>".
Error io_error(int os_error, const std::string& what);

}  // namespace corvex::xlsx
