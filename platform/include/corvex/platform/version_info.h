// Version information of a library file, read from the file on disk without
// loading it.
//
// A library carries its version in an ELF note (owner "Corvex", type
// kVersionNoteType) in a section of its own. The note's descriptor holds, in
// little-endian order:
//   - the fixed version block: thirteen 32-bit words, 52 bytes, laid out as the
//     Windows fixed file information (signature 0xFEEF04BD, structure version,
//     file version most and least significant words, product version, flags
//     mask, flags, operating system, file type, subtype, date);
//   - a 32-bit language and code page word (0x040904B0: US English, Unicode);
//   - the string table: pairs of NUL-terminated UTF-8 texts, name then value,
//     ended by an empty name.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvex/platform/expected.h"

namespace corvex::platform {

inline constexpr char kVersionNoteOwner[] = "Corvex";
inline constexpr std::uint32_t kVersionNoteType = 0x56455253;  // "VERS"
inline constexpr std::uint32_t kFixedFileInfoSignature = 0xFEEF04BD;
inline constexpr std::size_t kFixedFileInfoSize = 52;

struct FixedFileInfo {
    std::uint32_t signature = 0;
    std::uint32_t struc_version = 0;
    std::uint32_t file_version_ms = 0;
    std::uint32_t file_version_ls = 0;
    std::uint32_t product_version_ms = 0;
    std::uint32_t product_version_ls = 0;
    std::uint32_t file_flags_mask = 0;
    std::uint32_t file_flags = 0;
    std::uint32_t file_os = 0;
    std::uint32_t file_type = 0;
    std::uint32_t file_subtype = 0;
    std::uint32_t file_date_ms = 0;
    std::uint32_t file_date_ls = 0;
};

struct VersionInfo {
    FixedFileInfo fixed;
    std::uint32_t language_codepage = 0;
    std::vector<std::pair<std::string, std::string>> strings;  // in file order

    // The named string ("FileDescription", "CompanyName", ...), nullopt when absent.
    std::optional<std::string> string_value(std::string_view name) const;
    // "1.0.0.7": the four 16-bit parts of the fixed file version, unsigned, no leading zeros.
    std::string file_version_text() const;
};

enum class VersionError {
    CannotOpen,     // the file does not exist or cannot be read
    NotElf,         // not an ELF file
    NoVersionInfo,  // an ELF file without our version note
    Malformed,      // the note is there but damaged
};

// Reads the version note of a library file.
Expected<VersionInfo, VersionError> read_version_info(const std::filesystem::path& library);
// The same from the file's bytes (used by the reader and by tests).
Expected<VersionInfo, VersionError> parse_version_info(std::string_view elf_image);
// Decodes the note's descriptor alone.
Expected<VersionInfo, VersionError> parse_version_descriptor(std::string_view descriptor);

// "a.b.c.d" from a most and least significant version word pair.
std::string version_text(std::uint32_t ms, std::uint32_t ls);

}  // namespace corvex::platform
