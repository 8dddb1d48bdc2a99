// A temporary file without a name: it exists only through its descriptor, so
// nothing is left behind whatever happens to the process. It collects the
// deflated sheet data until the archive is written. Every write and read is
// checked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>

#include "corvex/platform/expected.h"
#include "export/xlsx/xlsx_error.h"

namespace corvex::xlsx {

class SpoolFile {
public:
    using Sink = std::function<Expected<void, Error>(std::span<const unsigned char>)>;

    // A new, empty file in `folder`.
    static Expected<SpoolFile, Error> create(const std::filesystem::path& folder);

    SpoolFile(SpoolFile&& other) noexcept;
    SpoolFile& operator=(SpoolFile&& other) noexcept;
    ~SpoolFile();

    Expected<void, Error> append(std::span<const unsigned char> bytes);
    // Hands `length` bytes from `offset` to `sink`, in pieces.
    Expected<void, Error> read(std::uint64_t offset, std::uint64_t length, const Sink& sink) const;

    std::uint64_t size() const { return size_; }

private:
    SpoolFile(int fd, std::filesystem::path folder) : fd_(fd), folder_(std::move(folder)) {}

    int fd_ = -1;
    std::filesystem::path folder_;  // for messages
    std::uint64_t size_ = 0;
};

}  // namespace corvex::xlsx
