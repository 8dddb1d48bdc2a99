// The library's version information, as an ELF note that readers find in the
// file on disk without loading it (platform/version_info.h describes the
// layout). The numbers come from the project version.
#include <bit>
#include <cstdint>

#include "corvex/platform/version_info.h"

#define CVX_STRINGIZE2(x) #x
#define CVX_STRINGIZE(x) CVX_STRINGIZE2(x)
#define CVX_VERSION_COMMAS                                                                          \
    CVX_STRINGIZE(CORVEX_VERSION_MAJOR) ", " CVX_STRINGIZE(CORVEX_VERSION_MINOR) ", " CVX_STRINGIZE( \
        CORVEX_VERSION_PATCH) ", " CVX_STRINGIZE(CORVEX_VERSION_TWEAK)

namespace {

static_assert(std::endian::native == std::endian::little, "the version descriptor is written little-endian");

// Name and value pairs, each NUL-terminated; the literal's own final NUL is
// the empty name that ends the table. A value that starts with a digit gets a
// literal of its own so "\0" is not read as an octal escape.
constexpr char kStrings[] =
    "CompanyName\0Corvex Flow Instruments\0"
    "FileDescription\0Corvex Module\0"
    "FileVersion\0" CVX_VERSION_COMMAS "\0"
    "InternalName\0Corvex\0"
    "OriginalFilename\0Corvex.DLL\0"
    "ProductName\0Corvex Module\0"
    "ProductVersion\0" CVX_VERSION_COMMAS "\0"
    "OLESelfRegister\0";

constexpr std::uint32_t kVersionMs = (CORVEX_VERSION_MAJOR << 16) | CORVEX_VERSION_MINOR;
constexpr std::uint32_t kVersionLs = (CORVEX_VERSION_PATCH << 16) | CORVEX_VERSION_TWEAK;
constexpr std::size_t kStringBytes = (sizeof kStrings + 3) / 4 * 4;

struct VersionNote {
    std::uint32_t namesz;
    std::uint32_t descsz;
    std::uint32_t type;
    char name[8];
    std::uint32_t fixed[13];
    std::uint32_t language_codepage;
    char strings[kStringBytes];
};
static_assert(sizeof(VersionNote) == 12 + 8 + corvex::platform::kFixedFileInfoSize + 4 + kStringBytes);

constexpr VersionNote make_note() {
    VersionNote n{};
    n.namesz = sizeof corvex::platform::kVersionNoteOwner;
    n.descsz = static_cast<std::uint32_t>(corvex::platform::kFixedFileInfoSize + 4 + kStringBytes);
    n.type = corvex::platform::kVersionNoteType;
    for (std::size_t i = 0; i < sizeof corvex::platform::kVersionNoteOwner; ++i)
        n.name[i] = corvex::platform::kVersionNoteOwner[i];
    const std::uint32_t fixed[13] = {
        corvex::platform::kFixedFileInfoSignature,
        0x00010000,  // structure version 1.0
        kVersionMs, kVersionLs,
        kVersionMs, kVersionLs,  // product version
        0x3F,        // flags mask: every flag defined
        0,           // flags: a release, not a pre-release, debug or patched build
        0x00000004,  // operating system: 32-bit Windows, the value clients of the version block expect
        0x00000002,  // file type: dynamic-link library
        0,           // subtype
        0, 0,        // date: not recorded
    };
    for (std::size_t i = 0; i < 13; ++i) n.fixed[i] = fixed[i];
    n.language_codepage = 0x040904B0;  // US English, Unicode
    for (std::size_t i = 0; i < sizeof kStrings; ++i) n.strings[i] = kStrings[i];
    return n;
}

// A section whose name starts with ".note" is a note section, which the linker
// also places in a note segment.
[[gnu::used, gnu::section(".note.corvex.version"), gnu::aligned(4)]] const VersionNote kVersionNote = make_note();

}  // namespace
