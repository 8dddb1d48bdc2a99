// Reading a zip archive back, member by member, to see that it is whole.
//
// The central directory is read at open (ZIP64 included); each member is then
// read once, in pieces, from its local header on: the local header must agree
// with the directory, the data must inflate (or, stored, run) to exactly the
// size the directory gives, with its CRC-32. Only the two methods a package
// uses are read: stored and deflated. Memory does not grow with the members'
// sizes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "corvex/platform/expected.h"

namespace corvex::exporting {

struct ZipMember {
    std::string name;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t compressed_size = 0;
    std::uint64_t size = 0;
    std::uint64_t local_header = 0;   // where its local header starts
};

class ZipReader {
public:
    // Fails (with what is wrong) when the file cannot be read or has no
    // readable central directory.
    static Expected<ZipReader, std::string> open(const std::filesystem::path& archive);

    ZipReader(ZipReader&& other) noexcept;
    ZipReader& operator=(ZipReader&&) = delete;
    ~ZipReader();

    // In the order of the central directory.
    const std::vector<ZipMember>& members() const { return members_; }

    // Reads the member, handing its uncompressed bytes to `sink` in pieces;
    // a sink answering false ends the reading (the result is then success:
    // the sink knows why it stopped).
    using Sink = std::function<bool(std::string_view piece)>;
    Expected<void, std::string> read(const ZipMember& member, const Sink& sink) const;

private:
    ZipReader(int fd, std::uint64_t size) : fd_(fd), file_size_(size) {}
    Expected<void, std::string> read_directory();
    bool read_at(std::uint64_t offset, void* out, std::size_t size) const;

    int fd_ = -1;
    std::uint64_t file_size_ = 0;
    std::uint64_t directory_offset_ = 0;   // members' data lie before it
    std::vector<ZipMember> members_;
};

}  // namespace corvex::exporting
