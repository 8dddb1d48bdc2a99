// A log of several gigabytes, made sparse, opens and reads in constant memory,
// and records beyond 4 GiB are found (offsets never pass through 32 bits).
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "logmodule/formats/meter_log_reader.h"
#include "logmodule/formats/open_log.h"
#include "logmodule/formats/pc_log_reader.h"
#include "test_logs.h"

namespace corvex::formats {
namespace {

long peak_rss_kib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Writes `bytes` at `offset` of a file extended sparsely to `length`; false
// when the file system refuses.
bool make_sparse(const std::string& path, const std::string& head, std::int64_t length, std::int64_t offset,
                 const std::string& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::pwrite(fd, head.data(), head.size(), 0) == static_cast<ssize_t>(head.size()) &&
              ::ftruncate(fd, static_cast<off_t>(length)) == 0 &&
              ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes.size());
    ok = ::close(fd) == 0 && ok;
    return ok;
}

constexpr std::int64_t kGiB = std::int64_t{1} << 30;

TEST(LargeFiles, APcLogOfFiveGigabytesReadsInConstantMemory) {
    testing::TempDir dir;
    const std::string path = (dir.path() / "big_pc.log").string();
    logwriter::LogDescription desc;
    desc.channels.resize(1);
    desc.channels[0].unit_type = 577;
    const std::string head = logwriter::build_log(desc);  // header and item table, no records
    const std::int32_t target = 21'000'000;               // 1,032 + 216 x target is past 4 GiB
    const std::int64_t at = 1032 + std::int64_t{216} * target;
    ASSERT_GT(at, 4 * kGiB);
    desc.records = {{46000.25, {}, {}, 0}};
    for (int k = 0; k < 12; ++k) {
        desc.records[0].values.push_back(3.5 + k);
        desc.records[0].errors.push_back(static_cast<std::int16_t>(k));
    }
    const std::string record = logwriter::build_log(desc).substr(1032);
    if (!make_sparse(path, head, 5 * kGiB, at, record)) GTEST_SKIP() << "the file system refused a sparse 5 GiB file";

    const long before = peak_rss_kib();
    auto opened = open_log_file(path);
    ASSERT_TRUE(opened) << explain_rejection(path);
    LogReader& reader = *opened->reader;
    EXPECT_EQ(reader.RecordCount(), (5 * kGiB - 1056) / 216);
    ASSERT_EQ(reader.SeekRecords(target, 0), 0);
    double t = 0, values[12];
    std::int16_t errors[kErrorPlaces];
    ASSERT_TRUE(reader.ReadRecord(&t, values, errors, nullptr));
    EXPECT_EQ(t, 46000.25);
    EXPECT_EQ(values[11], 14.5);
    EXPECT_EQ(errors[11], 11);
    ASSERT_TRUE(reader.SeekLast());
    EXPECT_TRUE(reader.ReadRecord(&t, nullptr, nullptr, nullptr));
    EXPECT_LT(peak_rss_kib() - before, 16 * 1024) << "peak memory grew with the file";
}

TEST(LargeFiles, AMeterLogRecordPastFourGigabytesIsFound) {
    testing::TempDir dir;
    const std::string path = (dir.path() / "big_meter.log").string();
    logwriter::LogDescription desc;
    desc.format = logwriter::Format::Meter;
    desc.type_code = 5;
    desc.channels.resize(1);
    desc.channels[0].unit_type = 577;
    desc.records = {{45000.5, {1.25}, {}, 0}};
    const std::string head = logwriter::build_log(desc);  // one record of 16 bytes
    const std::int32_t target = 300'000'000;              // 98 + 16 x target is past 4 GiB
    desc.records = {{46000.5, {-7.75}, {}, 0}};
    const std::string far = logwriter::build_log(desc).substr(98);
    const std::int64_t at = 98 + std::int64_t{16} * target;
    if (!make_sparse(path, head, 5 * kGiB, at, far)) GTEST_SKIP() << "the file system refused a sparse 5 GiB file";

    const long before = peak_rss_kib();
    MeterLogReader reader(0);
    ASSERT_EQ(reader.OpenLogFile(path), 0);
    EXPECT_EQ(reader.end_index(), (5 * kGiB - 98) / 16);
    EXPECT_EQ(reader.RecordCount(), 1);  // the zeros after it are the end mark
    ASSERT_EQ(reader.SeekRecords(target, 0), target);
    double t = 0, v = 0;
    ASSERT_TRUE(reader.ReadRecord(&t, &v, nullptr, nullptr));
    EXPECT_EQ(t, 46000.5);
    EXPECT_EQ(v, -7.75);
    EXPECT_LT(peak_rss_kib() - before, 16 * 1024);
}

}  // namespace
}  // namespace corvex::formats
