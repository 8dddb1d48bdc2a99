#include "corvex/platform/version_info.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace corvex::platform {
namespace {

constexpr std::uint32_t kShtNote = 7;
constexpr std::uint32_t kPtNote = 4;

Unexpected<VersionError> fail(VersionError e) { return Unexpected<VersionError>{e}; }

// Bounds-checked reads of the ELF file in its own byte order.
class ElfView {
public:
    ElfView(std::string_view bytes, bool big_endian) : bytes_(bytes), big_(big_endian) {}

    bool in_range(std::uint64_t offset, std::uint64_t size) const {
        return offset <= bytes_.size() && size <= bytes_.size() - offset;
    }
    std::uint64_t read(std::uint64_t offset, unsigned width) const {
        std::uint64_t v = 0;
        for (unsigned i = 0; i < width; ++i) {
            const auto byte = static_cast<unsigned char>(bytes_[offset + (big_ ? i : width - 1 - i)]);
            v = (v << 8) | byte;
        }
        return v;
    }
    std::string_view slice(std::uint64_t offset, std::uint64_t size) const { return bytes_.substr(offset, size); }

private:
    std::string_view bytes_;
    bool big_;
};

std::uint32_t le32(std::string_view s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<std::size_t>(i)]);
    return v;
}

std::uint64_t align_up(std::uint64_t v, std::uint64_t a) { return (v + a - 1) / a * a; }

// Walks the notes of one note section or segment; true and `descriptor` set
// when our version note is among them. Stops at the first damaged note.
bool find_version_note(const ElfView& elf, std::uint64_t offset, std::uint64_t size, std::uint64_t alignment,
                       std::string_view& descriptor) {
    const std::uint64_t align = alignment == 8 ? 8 : 4;
    if (!elf.in_range(offset, size)) return false;
    std::uint64_t pos = 0;
    while (size - pos >= 12) {
        const std::uint64_t namesz = elf.read(offset + pos, 4);
        const std::uint64_t descsz = elf.read(offset + pos + 4, 4);
        const std::uint64_t type = elf.read(offset + pos + 8, 4);
        const std::uint64_t name_at = pos + 12;
        const std::uint64_t desc_at = align_up(name_at + namesz, align);
        const std::uint64_t next = align_up(desc_at + descsz, align);
        if (desc_at > size || descsz > size - desc_at) return false;
        const std::string_view name = elf.slice(offset + name_at, namesz);
        if (type == kVersionNoteType && name == std::string_view(kVersionNoteOwner, sizeof kVersionNoteOwner)) {
            descriptor = elf.slice(offset + desc_at, descsz);
            return true;
        }
        if (next <= pos) return false;
        pos = next;
    }
    return false;
}

}  // namespace

std::optional<std::string> VersionInfo::string_value(std::string_view name) const {
    for (const auto& [key, value] : strings)
        if (key == name) return value;
    return std::nullopt;
}

std::string version_text(std::uint32_t ms, std::uint32_t ls) {
    return std::to_string(ms >> 16) + '.' + std::to_string(ms & 0xFFFF) + '.' + std::to_string(ls >> 16) + '.' +
           std::to_string(ls & 0xFFFF);
}

std::string VersionInfo::file_version_text() const { return version_text(fixed.file_version_ms, fixed.file_version_ls); }

Expected<VersionInfo, VersionError> parse_version_descriptor(std::string_view d) {
    if (d.size() < kFixedFileInfoSize + 4) return fail(VersionError::Malformed);
    VersionInfo info;
    std::uint32_t* words[] = {&info.fixed.signature,          &info.fixed.struc_version,   &info.fixed.file_version_ms,
                              &info.fixed.file_version_ls,    &info.fixed.product_version_ms,
                              &info.fixed.product_version_ls, &info.fixed.file_flags_mask, &info.fixed.file_flags,
                              &info.fixed.file_os,            &info.fixed.file_type,       &info.fixed.file_subtype,
                              &info.fixed.file_date_ms,       &info.fixed.file_date_ls};
    static_assert(sizeof words / sizeof words[0] * 4 == kFixedFileInfoSize);
    for (std::size_t i = 0; i < 13; ++i) *words[i] = le32(d, 4 * i);
    if (info.fixed.signature != kFixedFileInfoSignature) return fail(VersionError::Malformed);
    info.language_codepage = le32(d, kFixedFileInfoSize);

    std::string_view rest = d.substr(kFixedFileInfoSize + 4);
    auto take = [&rest]() -> std::optional<std::string_view> {
        const std::size_t nul = rest.find('\0');
        if (nul == std::string_view::npos) return std::nullopt;
        std::string_view text = rest.substr(0, nul);
        rest.remove_prefix(nul + 1);
        return text;
    };
    for (;;) {
        auto name = take();
        if (!name) return fail(VersionError::Malformed);
        if (name->empty()) break;
        auto value = take();
        if (!value) return fail(VersionError::Malformed);
        info.strings.emplace_back(std::string(*name), std::string(*value));
    }
    return info;
}

Expected<VersionInfo, VersionError> parse_version_info(std::string_view image) {
    if (image.size() < 16 || image.substr(0, 4) != "\x7f" "ELF") return fail(VersionError::NotElf);
    const int elf_class = image[4], data = image[5];
    if ((elf_class != 1 && elf_class != 2) || (data != 1 && data != 2)) return fail(VersionError::NotElf);
    const bool wide = elf_class == 2;
    const ElfView elf(image, data == 2);
    if (!elf.in_range(0, wide ? 64 : 52)) return fail(VersionError::NotElf);

    const std::uint64_t phoff = wide ? elf.read(0x20, 8) : elf.read(0x1C, 4);
    const std::uint64_t shoff = wide ? elf.read(0x28, 8) : elf.read(0x20, 4);
    const std::uint64_t phentsize = elf.read(wide ? 0x36 : 0x2A, 2);
    std::uint64_t phnum = elf.read(wide ? 0x38 : 0x2C, 2);
    const std::uint64_t shentsize = elf.read(wide ? 0x3A : 0x2E, 2);
    std::uint64_t shnum = elf.read(wide ? 0x3C : 0x30, 2);
    const std::uint64_t min_sh = wide ? 64 : 40, min_ph = wide ? 56 : 32;

    std::string_view descriptor;
    bool found = false;
    // Section headers first: they survive in every library we build. A count of
    // 0 with a table present means the real count is in section 0's size.
    if (shoff != 0 && shentsize >= min_sh && elf.in_range(shoff, shentsize)) {
        if (shnum == 0) shnum = wide ? elf.read(shoff + 0x20, 8) : elf.read(shoff + 0x14, 4);
        for (std::uint64_t i = 0; i < shnum && !found; ++i) {
            const std::uint64_t at = shoff + i * shentsize;
            if (!elf.in_range(at, shentsize)) break;
            if (elf.read(at + 4, 4) != kShtNote) continue;
            const std::uint64_t offset = wide ? elf.read(at + 0x18, 8) : elf.read(at + 0x10, 4);
            const std::uint64_t size = wide ? elf.read(at + 0x20, 8) : elf.read(at + 0x14, 4);
            const std::uint64_t align = wide ? elf.read(at + 0x30, 8) : elf.read(at + 0x20, 4);
            found = find_version_note(elf, offset, size, align, descriptor);
        }
    }
    // Then the note segments, for files whose section table was stripped away.
    if (!found && phoff != 0 && phentsize >= min_ph) {
        if (phnum == 0xFFFF) phnum = 0;  // extended numbering needs the section table we lack
        for (std::uint64_t i = 0; i < phnum && !found; ++i) {
            const std::uint64_t at = phoff + i * phentsize;
            if (!elf.in_range(at, phentsize)) break;
            if (elf.read(at, 4) != kPtNote) continue;
            const std::uint64_t offset = wide ? elf.read(at + 8, 8) : elf.read(at + 4, 4);
            const std::uint64_t size = wide ? elf.read(at + 0x20, 8) : elf.read(at + 0x10, 4);
            const std::uint64_t align = wide ? elf.read(at + 0x30, 8) : elf.read(at + 0x1C, 4);
            found = find_version_note(elf, offset, size, align, descriptor);
        }
    }
    if (!found) return fail(VersionError::NoVersionInfo);
    return parse_version_descriptor(descriptor);
}

Expected<VersionInfo, VersionError> read_version_info(const std::filesystem::path& library) {
    const int fd = ::open(library.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return fail(VersionError::CannotOpen);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(VersionError::CannotOpen);
    }
    if (st.st_size == 0) {
        ::close(fd);
        return fail(VersionError::NotElf);
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (map == MAP_FAILED) return fail(VersionError::CannotOpen);
    auto result = parse_version_info(std::string_view(static_cast<const char*>(map), size));
    ::munmap(map, size);
    return result;
}

}  // namespace corvex::platform
