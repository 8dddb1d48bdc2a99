#include "logmodule/formats/byte_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>
#include <vector>

#include "test_logs.h"

namespace corvex::formats {
namespace {

using testing::TempDir;

std::vector<std::uint8_t> pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i * 7 + i / 251) & 0xFF);
    return v;
}

// One script of reads and seeks; both sources must answer it alike and
// deliver the same bytes as the data.
struct Step {
    enum Kind { Read, Seek } kind;
    std::int64_t amount;
    SeekOrigin origin = SeekOrigin::Begin;
    std::int64_t expect_result;  // bytes read, or 1/0 for a seek
    std::int64_t expect_position;
};

void run_script(ByteSource& source, const std::vector<std::uint8_t>& data) {
    const auto size = static_cast<std::int64_t>(data.size());
    const std::vector<Step> steps = {
        {Step::Read, 10, SeekOrigin::Begin, 10, 10},
        {Step::Seek, 65530, SeekOrigin::Begin, 1, 65530},
        {Step::Read, 20, SeekOrigin::Begin, 20, 65550},  // across the file's buffer boundary
        {Step::Seek, -5, SeekOrigin::Current, 1, 65545},
        {Step::Read, 70000, SeekOrigin::Begin, 70000, 135545},  // larger than the buffer
        {Step::Seek, -65545 - 135546, SeekOrigin::Current, 0, 135545},  // before the start: refused
        {Step::Seek, -10, SeekOrigin::End, 1, size - 10},
        {Step::Read, 100, SeekOrigin::Begin, 10, size},  // short read at the end
        {Step::Read, 1, SeekOrigin::Begin, 0, size},
        {Step::Seek, 1000, SeekOrigin::End, 1, size + 1000},  // past the end is allowed
        {Step::Read, 4, SeekOrigin::Begin, 0, size + 1000},
        {Step::Seek, 0, SeekOrigin::Begin, 1, 0},
        {Step::Read, 3, SeekOrigin::Begin, 3, 3},
    };
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE(i);
        const std::int64_t before = source.tell();
        if (s.kind == Step::Read) {
            std::vector<std::uint8_t> got(static_cast<std::size_t>(s.amount));
            const auto n = static_cast<std::int64_t>(source.read(got.data(), got.size()));
            EXPECT_EQ(n, s.expect_result);
            for (std::int64_t k = 0; k < n; ++k)
                ASSERT_EQ(got[static_cast<std::size_t>(k)], data[static_cast<std::size_t>(before + k)]);
        } else {
            EXPECT_EQ(source.seek(s.amount, s.origin) ? 1 : 0, s.expect_result);
        }
        EXPECT_EQ(source.tell(), s.expect_position);
    }
}

TEST(ByteSource, FileAndMemoryAnswerTheSameScript) {
    const std::vector<std::uint8_t> data = pattern(200'000);
    MemoryByteSource memory(data);
    EXPECT_EQ(memory.size(), 200'000);
    run_script(memory, data);

    TempDir dir;
    const auto path = dir.path() / "pattern.bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), 200'000);
    auto file = FileByteSource::open(path.string());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->size(), 200'000);
    run_script(*file, data);
}

TEST(ByteSource, FilesThatCannotBeReadDoNotOpen) {
    TempDir dir;
    EXPECT_EQ(FileByteSource::open((dir.path() / "missing.log").string()), nullptr);
    EXPECT_EQ(FileByteSource::open(dir.path().string()), nullptr);  // a folder
    EXPECT_EQ(FileByteSource::open(""), nullptr);
    const auto fifo = dir.path() / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(FileByteSource::open(fifo.string()), nullptr);  // and does not wait for a writer
}

}  // namespace
}  // namespace corvex::formats
