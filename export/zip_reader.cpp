#include "export/zip_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <set>
#include <span>
#include <utility>

namespace corvex::exporting {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kDirectorySignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kDescriptorSignature = 0x08074b50;
constexpr std::size_t kLocalSize = 30;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kLocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint16_t kEncrypted = 0x0001;
constexpr std::uint16_t kHasDescriptor = 0x0008;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint32_t kNoValue32 = 0xFFFFFFFF;   // the value is in the ZIP64 fields
constexpr std::uint16_t kNoValue16 = 0xFFFF;
// A package's directory holds a few dozen entries; far more is not one.
constexpr std::uint64_t kMaxDirectory = 64u << 20;
constexpr std::size_t kChunk = 256u << 10;

std::uint16_t le16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t le64(const unsigned char* p) { return le32(p) | (static_cast<std::uint64_t>(le32(p + 4)) << 32); }

// The data of the ZIP64 extra field among `extra`, if there is one.
std::optional<std::span<const unsigned char>> zip64_extra(std::span<const unsigned char> extra) {
    while (extra.size() >= 4) {
        const std::uint16_t id = le16(extra.data());
        const std::size_t size = le16(extra.data() + 2);
        if (size > extra.size() - 4) return std::nullopt;
        if (id == kZip64Extra) return extra.subspan(4, size);
        extra = extra.subspan(4 + size);
    }
    return std::nullopt;
}

// Replaces each value that its short field marks as held in the ZIP64 extra
// field, in the order the format gives them. False when the field lacks one.
bool take_zip64_values(std::span<const unsigned char> extra, std::initializer_list<std::pair<bool, std::uint64_t*>> values) {
    std::optional<std::span<const unsigned char>> data;
    std::size_t at = 0;
    for (const auto& [wanted, value] : values) {
        if (!wanted) continue;
        if (!data && !(data = zip64_extra(extra))) return false;
        if (data->size() < at + 8) return false;
        *value = le64(data->data() + at);
        at += 8;
    }
    return true;
}

}  // namespace

Expected<ZipReader, std::string> ZipReader::open(const std::filesystem::path& archive) {
    const int fd = ::open(archive.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return Unexpected(std::string("it cannot be opened: ") + std::strerror(errno));
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        const int error = errno;
        ::close(fd);
        return Unexpected(std::string("it cannot be read: ") + std::strerror(error));
    }
    ZipReader reader(fd, static_cast<std::uint64_t>(status.st_size));
    if (auto read = reader.read_directory(); !read) return Unexpected(read.error());
    return reader;
}

ZipReader::ZipReader(ZipReader&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), file_size_(other.file_size_), directory_offset_(other.directory_offset_),
      members_(std::move(other.members_)) {}

ZipReader::~ZipReader() {
    if (fd_ >= 0) ::close(fd_);
}

bool ZipReader::read_at(std::uint64_t offset, void* out, std::size_t size) const {
    if (offset > file_size_ || size > file_size_ - offset) return false;
    auto* bytes = static_cast<unsigned char*>(out);
    while (size > 0) {
        const ssize_t n = ::pread(fd_, bytes, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

Expected<void, std::string> ZipReader::read_directory() {
    using Problem = Unexpected<std::string>;
    if (file_size_ < kEndSize) return Problem("it is too short for a zip archive");

    // The end record: the last one whose comment reaches exactly to the end.
    const std::size_t tail_size = static_cast<std::size_t>(std::min<std::uint64_t>(file_size_, kEndSize + 0xFFFF));
    std::vector<unsigned char> tail(tail_size);
    if (!read_at(file_size_ - tail_size, tail.data(), tail_size)) return Problem("its end cannot be read");
    std::size_t at = tail_size - kEndSize;
    while (le32(&tail[at]) != kEndSignature || at + kEndSize + le16(&tail[at + 20]) != tail_size) {
        if (at == 0) return Problem("it has no end-of-directory record");
        --at;
    }
    const unsigned char* end = &tail[at];
    const std::uint64_t end_offset = file_size_ - tail_size + at;
    std::uint64_t disk = le16(end + 4), directory_disk = le16(end + 6);
    std::uint64_t disk_entries = le16(end + 8), entries = le16(end + 10);
    std::uint64_t directory_size = le32(end + 12), directory_offset = le32(end + 16);
    std::uint64_t directory_end = end_offset;

    unsigned char locator[kLocatorSize];
    if (end_offset >= kLocatorSize && read_at(end_offset - kLocatorSize, locator, kLocatorSize) &&
        le32(locator) == kZip64LocatorSignature) {
        const std::uint64_t record_offset = le64(locator + 8);
        unsigned char record[kZip64EndSize];
        if (le32(locator + 4) != 0 || le32(locator + 16) > 1) return Problem("it spans several disks");
        if (record_offset > end_offset - kLocatorSize - kZip64EndSize || !read_at(record_offset, record, kZip64EndSize) ||
            le32(record) != kZip64EndSignature) {
            return Problem("its ZIP64 end-of-directory record is missing");
        }
        disk = le32(record + 16);
        directory_disk = le32(record + 20);
        disk_entries = le64(record + 24);
        entries = le64(record + 32);
        directory_size = le64(record + 40);
        directory_offset = le64(record + 48);
        directory_end = record_offset;
    } else if (entries == kNoValue16 || directory_size == kNoValue32 || directory_offset == kNoValue32) {
        return Problem("its ZIP64 end-of-directory record is missing");
    }
    if (disk != 0 || directory_disk != 0 || disk_entries != entries) return Problem("it spans several disks");
    if (directory_offset > directory_end || directory_end - directory_offset != directory_size) {
        return Problem("its central directory is not where its end record says");
    }
    if (directory_size > kMaxDirectory) return Problem("its central directory is implausibly large");

    std::vector<unsigned char> directory(static_cast<std::size_t>(directory_size));
    if (!read_at(directory_offset, directory.data(), directory.size())) return Problem("its central directory cannot be read");
    std::set<std::string_view> names;
    std::size_t p = 0;
    members_.clear();
    members_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(entries, directory.size() / kDirectoryEntrySize)));
    while (p < directory.size()) {
        const unsigned char* e = &directory[p];
        if (directory.size() - p < kDirectoryEntrySize || le32(e) != kDirectorySignature) {
            return Problem("its central directory is damaged at entry " + std::to_string(members_.size() + 1));
        }
        const std::size_t name_size = le16(e + 28), extra_size = le16(e + 30), comment_size = le16(e + 32);
        const std::size_t entry_size = kDirectoryEntrySize + name_size + extra_size + comment_size;
        if (entry_size > directory.size() - p) return Problem("its central directory is damaged at its end");
        ZipMember m;
        m.name.assign(reinterpret_cast<const char*>(e + kDirectoryEntrySize), name_size);
        m.flags = le16(e + 8);
        m.method = le16(e + 10);
        m.crc32 = le32(e + 16);
        m.compressed_size = le32(e + 20);
        m.size = le32(e + 24);
        m.local_header = le32(e + 42);
        std::uint64_t start_disk = le16(e + 34);
        const std::span<const unsigned char> extra(e + kDirectoryEntrySize + name_size, extra_size);
        if (!take_zip64_values(extra, {{m.size == kNoValue32, &m.size},
                                       {m.compressed_size == kNoValue32, &m.compressed_size},
                                       {m.local_header == kNoValue32, &m.local_header}})) {
            return Problem("the directory entry of " + m.name + " lacks its ZIP64 sizes");
        }
        if (start_disk == kNoValue16) start_disk = 0;   // the 4-byte disk number would follow; one disk only
        if (m.name.empty()) return Problem("a member of it has no name");
        if (start_disk != 0) return Problem("it spans several disks");
        if (m.local_header > directory_offset || directory_offset - m.local_header < kLocalSize) {
            return Problem("the directory entry of " + m.name + " points past the members");
        }
        members_.push_back(std::move(m));
        p += entry_size;
    }
    if (members_.size() != entries) return Problem("its central directory does not hold the entries its end record counts");
    for (const ZipMember& m : members_) {
        if (!names.insert(m.name).second) return Problem("it holds " + m.name + " twice");
    }
    directory_offset_ = directory_offset;
    return {};
}

Expected<void, std::string> ZipReader::read(const ZipMember& member, const Sink& sink) const {
    using Problem = Unexpected<std::string>;
    const std::string& name = member.name;
    unsigned char local[kLocalSize];
    if (!read_at(member.local_header, local, kLocalSize) || le32(local) != kLocalSignature) {
        return Problem(name + " has no local header");
    }
    const std::uint16_t flags = le16(local + 6);
    const std::size_t name_size = le16(local + 26), extra_size = le16(local + 28);
    std::vector<unsigned char> name_and_extra(name_size + extra_size);
    if (!read_at(member.local_header + kLocalSize, name_and_extra.data(), name_and_extra.size()) ||
        std::string_view(reinterpret_cast<const char*>(name_and_extra.data()), name_size) != name ||
        le16(local + 8) != member.method) {
        return Problem("the local header of " + name + " does not match the directory");
    }
    if ((flags & kEncrypted) != 0) return Problem(name + " is encrypted");
    if (member.method != kStored && member.method != kDeflated) {
        return Problem(name + " is compressed with method " + std::to_string(member.method));
    }
    const std::span<const unsigned char> extra(name_and_extra.data() + name_size, extra_size);
    const bool local_zip64 = zip64_extra(extra).has_value();
    if ((flags & kHasDescriptor) != 0) {
        // The values follow the data; here they are zero, if not already known.
        if (le32(local + 14) != 0 && le32(local + 14) != member.crc32) {
            return Problem("the local header of " + name + " does not match the directory");
        }
    } else {
        std::uint64_t size = le32(local + 22), compressed = le32(local + 18);
        // A local ZIP64 field holds both sizes.
        const bool long_sizes = size == kNoValue32 || compressed == kNoValue32;
        if (!take_zip64_values(extra, {{long_sizes, &size}, {long_sizes, &compressed}}) || le32(local + 14) != member.crc32 ||
            size != member.size || compressed != member.compressed_size) {
            return Problem("the local header of " + name + " does not match the directory");
        }
    }
    const std::uint64_t data = member.local_header + kLocalSize + name_and_extra.size();
    if (data > directory_offset_ || member.compressed_size > directory_offset_ - data) {
        return Problem(name + " runs into the central directory");
    }
    if (member.method == kStored && member.compressed_size != member.size) {
        return Problem(name + " is stored with two different sizes");
    }

    std::vector<unsigned char> input(
        std::max<std::size_t>(1, static_cast<std::size_t>(std::min<std::uint64_t>(member.compressed_size, kChunk))));
    std::uint64_t read_offset = data;
    std::uint64_t left = member.compressed_size;
    const auto next_input = [&](std::size_t& got) {
        got = static_cast<std::size_t>(std::min<std::uint64_t>(left, input.size()));
        if (!read_at(read_offset, input.data(), got)) return false;
        read_offset += got;
        left -= got;
        return true;
    };

    uLong crc = crc32(0, nullptr, 0);
    std::uint64_t produced = 0;
    bool stopped = false;
    // False when the member holds more than its size (the rest is not inflated).
    const auto deliver = [&](const unsigned char* bytes, std::size_t n) {
        if (n > member.size - produced) return false;
        produced += n;
        crc = crc32(crc, bytes, static_cast<uInt>(n));
        if (!stopped && !sink(std::string_view(reinterpret_cast<const char*>(bytes), n))) stopped = true;
        return true;
    };
    const auto too_long = [&] { return Problem(name + " holds more than the " + std::to_string(member.size) + " bytes its directory entry gives"); };

    if (member.method == kStored) {
        while (left > 0 && !stopped) {
            std::size_t got = 0;
            if (!next_input(got)) return Problem(name + " cannot be read");
            if (!deliver(input.data(), got)) return too_long();
        }
        if (stopped) return {};
    } else {
        z_stream z{};
        if (inflateInit2(&z, -MAX_WBITS) != Z_OK) return Problem("no memory to inflate " + name);
        const std::unique_ptr<z_stream, int (*)(z_stream*)> end_inflate(&z, inflateEnd);
        std::vector<unsigned char> output(kChunk);
        for (int status = Z_OK; status != Z_STREAM_END;) {
            if (z.avail_in == 0 && left > 0) {
                std::size_t got = 0;
                if (!next_input(got)) return Problem(name + " cannot be read");
                z.next_in = input.data();
                z.avail_in = static_cast<uInt>(got);
            }
            z.next_out = output.data();
            z.avail_out = static_cast<uInt>(output.size());
            status = inflate(&z, Z_NO_FLUSH);
            if (status == Z_BUF_ERROR && z.avail_in == 0 && left == 0) return Problem(name + " ends early");
            if (status != Z_OK && status != Z_STREAM_END) {
                return Problem(name + " does not inflate" + (z.msg ? std::string(": ") + z.msg : std::string()));
            }
            if (!deliver(output.data(), output.size() - z.avail_out)) return too_long();
            if (stopped) return {};
        }
        if (z.avail_in != 0 || left != 0) return Problem(name + " has data after its end");
    }
    if (produced != member.size) {
        return Problem(name + " holds " + std::to_string(produced) + " bytes, its directory entry " +
                       std::to_string(member.size));
    }
    if (crc != member.crc32) return Problem(name + " fails its CRC-32 check");

    if ((flags & kHasDescriptor) != 0) {
        // CRC-32 and sizes after the data, the signature optional, the sizes
        // eight bytes long when the local header has a ZIP64 field.
        unsigned char descriptor[24];
        const std::size_t size = local_zip64 ? 20 : 12;
        const std::uint64_t at = data + member.compressed_size;
        const std::uint64_t room = directory_offset_ - at;
        const std::size_t with_signature = size + 4;
        const std::size_t got = room >= with_signature ? with_signature : size;
        if (room < size || !read_at(at, descriptor, got)) return Problem("the data descriptor of " + name + " is missing");
        const unsigned char* d =
            got == with_signature && le32(descriptor) == kDescriptorSignature ? descriptor + 4 : descriptor;
        const std::uint64_t compressed = local_zip64 ? le64(d + 4) : le32(d + 4);
        const std::uint64_t uncompressed = local_zip64 ? le64(d + 12) : le32(d + 8);
        if (le32(d) != member.crc32 || compressed != member.compressed_size || uncompressed != member.size) {
            return Problem("the data descriptor of " + name + " does not match the directory");
        }
    }
    return {};
}

}  // namespace corvex::exporting
