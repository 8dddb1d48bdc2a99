// The version note: read from the built library on disk, and damaged files
// answered with an error, never a crash or a read outside the file.
#include <gtest/gtest.h>

#include <cstring>
#include "corvex/platform/version_info.h"
#include "tests/support/scratch_dir.h"

namespace corvex::platform {
namespace {

using corvex::testing::read_file;

// The block as the reader finds it in the built library: its fixed part and
// its strings tell the same version.
TEST(VersionInfo, LibraryCarriesItsVersionBlock) {
    auto info = read_version_info(CORVEX_LIBRARY_PATH);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->fixed.signature, 0xFEEF04BDu);
    EXPECT_EQ(info->fixed.file_type, 2u);
    EXPECT_EQ(info->fixed.product_version_ms, info->fixed.file_version_ms);
    EXPECT_EQ(info->fixed.product_version_ls, info->fixed.file_version_ls);
    std::string text = info->file_version_text();
    for (std::size_t dot; (dot = text.find('.')) != std::string::npos;) text.replace(dot, 1, ", ");
    EXPECT_EQ(info->string_value("FileVersion"), text);
    EXPECT_EQ(info->string_value("InternalName"), "Corvex");
    EXPECT_EQ(info->string_value("OLESelfRegister"), "");
}

TEST(VersionInfo, VersionPartsAreUnsigned16BitNumbers) {
    EXPECT_EQ(version_text(0x00020000, 0x0000000F), "2.0.0.15");
    EXPECT_EQ(version_text(0xFFFF8000, 0x00010002), "65535.32768.1.2");
}

TEST(VersionInfo, FilesWithoutTheNote) {
    EXPECT_EQ(read_version_info("/nonexistent/libCorvex.so").error(), VersionError::CannotOpen);
    EXPECT_EQ(read_version_info("/").error(), VersionError::CannotOpen);
    EXPECT_EQ(parse_version_info("").error(), VersionError::NotElf);
    EXPECT_EQ(parse_version_info("MZ\x90\x00 not elf at all").error(), VersionError::NotElf);
    // The test program itself is an ELF file without our note.
    EXPECT_EQ(read_version_info("/proc/self/exe").error(), VersionError::NoVersionInfo);
}

TEST(VersionInfo, CutOrDamagedLibraryNeverReadsOutsideTheFile) {
    const std::string image = read_file(CORVEX_LIBRARY_PATH);
    ASSERT_GT(image.size(), 4096u);
    const std::size_t note_at = image.find(std::string("Corvex\0\0", 8));
    ASSERT_NE(note_at, std::string::npos);
    const std::string version = parse_version_info(image)->file_version_text();
    // Cut just inside the note and at a few other places: a clean error or a
    // correct answer, and the sanitizers watch every read.
    for (std::size_t cut : {std::size_t{0}, std::size_t{16}, std::size_t{63}, std::size_t{64}, note_at + 8, note_at + 40,
                            note_at + 100, image.size() / 2, image.size() - 1}) {
        auto r = parse_version_info(std::string_view(image).substr(0, cut));
        if (r) {
            EXPECT_EQ(r->file_version_text(), version);
        }
    }
    // A note whose string table loses its terminators is damaged, not overrun.
    std::string damaged = image;
    const std::size_t strings_at = note_at + 8 + 52 + 4;
    std::uint32_t descsz = 0;
    std::memcpy(&descsz, image.data() + note_at - 8, 4);
    for (std::size_t i = strings_at; i < note_at + 8 + descsz; ++i)
        if (damaged[i] == '\0') damaged[i] = 'x';
    auto r = parse_version_info(damaged);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), VersionError::Malformed);
    // Huge section counts and offsets from a damaged header.
    std::string header = image.substr(0, 64);
    std::memset(header.data() + 0x28, 0xFF, 8);  // section table offset
    std::memset(header.data() + 0x20, 0xFF, 8);  // program header offset
    EXPECT_EQ(parse_version_info(header).error(), VersionError::NoVersionInfo);
}

TEST(VersionInfo, DescriptorWithAWrongSignatureIsDamaged) {
    std::string d(56, '\0');
    d.append("A\0b\0\0", 5);
    EXPECT_EQ(parse_version_descriptor(d).error(), VersionError::Malformed);
    d[0] = '\xBD', d[1] = '\x04', d[2] = '\xEF', d[3] = '\xFE';
    auto ok = parse_version_descriptor(std::string_view(d.data(), d.size()));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->string_value("A"), "b");
    EXPECT_EQ(parse_version_descriptor(std::string_view(d.data(), 40)).error(), VersionError::Malformed);
}

}  // namespace
}  // namespace corvex::platform
