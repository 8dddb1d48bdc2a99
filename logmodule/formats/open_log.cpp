#include "logmodule/formats/open_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace corvex::formats {

namespace {

SourceOpener file_opener(const std::string& path) {
    return [path]() -> std::unique_ptr<ByteSource> { return FileByteSource::open(path); };
}

SourceOpener memory_opener(std::span<const std::uint8_t> bytes) {
    return [bytes]() -> std::unique_ptr<ByteSource> { return std::make_unique<MemoryByteSource>(bytes); };
}

}  // namespace

Recognition recognise_log(ByteSource& probe) {
    for (const LogFormat* format : log_formats())
        for (const std::int32_t offset : format->header_offsets)
            if (format->recognise(probe, offset)) return {format, offset};
    return {};
}

corvex::Expected<OpenedLog, OpenError> open_log_from(const SourceOpener& open_source) {
    std::unique_ptr<ByteSource> probe = open_source();
    if (!probe) return Unexpected{OpenError::CannotOpen};
    const Recognition found = recognise_log(*probe);
    if (!found.format) return Unexpected{OpenError::Rejected};
    auto opened = found.format->open(open_source, std::move(probe), found.header_offset);
    if (!opened) return Unexpected{OpenError::Rejected};
    return OpenedLog{found.format, found.header_offset, std::move(opened->reader), std::move(opened->header)};
}

corvex::Expected<OpenedLog, OpenError> open_log_file(const std::string& path) {
    return open_log_from(file_opener(path));
}

corvex::Expected<OpenedLog, OpenError> open_log_bytes(std::span<const std::uint8_t> bytes) {
    return open_log_from(memory_opener(bytes));
}

// The verdict is always the real open's; only a rejected file is examined
// further, by the format its first bytes named, to say which check failed.
std::string explain_rejection_from(const SourceOpener& open_source) {
    if (open_log_from(open_source)) return {};
    std::unique_ptr<ByteSource> source = open_source();
    if (!source) return "cannot open the file for reading";
    const std::int64_t length = source->size();
    const Recognition found = recognise_log(*source);
    if (!found.format) return "no log format matches its first bytes";
    return found.format->explain(*source, length, found.header_offset);
}

std::string explain_rejection(const std::string& path) { return explain_rejection_from(file_opener(path)); }

std::string explain_rejection_bytes(std::span<const std::uint8_t> bytes) {
    return explain_rejection_from(memory_opener(bytes));
}

std::string rejection_reason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return "is a directory";
    // Non-blocking: a pipe nobody writes into must not hang the question.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return std::string("cannot open: ") + std::strerror(errno);
    ::close(fd);
    std::string why = explain_rejection(path);
    if (why.empty()) return {};
    return "not a readable log: " + why;
}

}  // namespace corvex::formats
