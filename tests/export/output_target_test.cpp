// Where an export lands when the chosen name is not a plain file: a link, a
// pipe, or a file with permissions of its own. Both engines share the output
// file, so each case runs through both.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <future>
#include <string>

#include "corvex/platform/com_ptr.h"
#include "tests/export/export_fixtures.h"
#include "tests/export/export_test_support.h"
#include "export/csv_export.h"
#include "export/workbook_export.h"

namespace corvex::exporting {
namespace {

using testing::ScratchDir;

using Engine = std::function<Expected<ExportOutcome, ExportError>(ILog*, const ExportOptions&,
                                                                  const std::filesystem::path&)>;
struct EngineCase {
    const char* name;
    Engine run;
};

const EngineCase kEngines[] = {
    {"delimited text", [](ILog* log, const ExportOptions& o, const std::filesystem::path& out) {
         return export_csv(log, o, out);
     }},
    {"workbook", [](ILog* log, const ExportOptions& o, const std::filesystem::path& out) {
         return export_workbook(log, o, out);
     }},
};

ExportOptions all_units() {
    ExportOptions o;
    o.selected = {true, true, true};
    return o;
}

// Both file kinds start like this: "Date/Time" or the zip archive's "PK".
bool looks_exported(const std::string& bytes) {
    return bytes.starts_with("File Title") || bytes.starts_with("PK");
}

// Reads a pipe opened before the writer comes, until the writer has written
// and gone; gives up after a few seconds, so a writer that never comes (the
// pipe was replaced) fails the test instead of hanging it.
class PipeReader {
public:
    explicit PipeReader(const std::filesystem::path& pipe)
        : fd_(::open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)) {}
    ~PipeReader() {
        if (fd_ >= 0) ::close(fd_);
    }
    PipeReader(const PipeReader&) = delete;
    PipeReader& operator=(const PipeReader&) = delete;
    bool is_open() const { return fd_ >= 0; }

    std::future<std::string> start() {
        return std::async(std::launch::async, [this] {
            std::string bytes;
            for (int idle = 0; idle < 100;) {
                char buffer[4096];
                const ssize_t n = ::read(fd_, buffer, sizeof buffer);
                if (n > 0) {
                    bytes.append(buffer, static_cast<std::size_t>(n));
                    continue;
                }
                if (n == 0 && !bytes.empty()) break;  // the writer has closed its end
                pollfd p{fd_, POLLIN, 0};
                if (::poll(&p, 1, 50) == 0 || n == 0) ++idle;
                if (n == 0) ::usleep(50'000);
            }
            return bytes;
        });
    }

private:
    int fd_;
};

TEST(OutputTarget, ExportOntoALinkWritesTheFileItNamesAndKeepsTheLink) {
    for (const EngineCase& engine : kEngines) {
        SCOPED_TRACE(engine.name);
        ScratchDir dir;
        platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
        std::filesystem::create_directory(dir / "real");
        { std::ofstream(dir / "real" / "out") << "old"; }
        std::filesystem::create_symlink("real/out", dir / "link");

        auto outcome = engine.run(log.get(), all_units(), dir / "link");
        ASSERT_TRUE(outcome) << outcome.error().description;
        EXPECT_TRUE(std::filesystem::is_symlink(dir / "link")) << "the link was replaced by a file";
        EXPECT_TRUE(looks_exported(testing::read_file(dir / "real" / "out")));
    }
}

TEST(OutputTarget, ExportOntoAPipeWritesIntoThePipeInsteadOfReplacingIt) {
    for (const EngineCase& engine : kEngines) {
        SCOPED_TRACE(engine.name);
        ScratchDir dir;
        platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
        const auto pipe = dir / "pipe";
        ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
        PipeReader reader(pipe);
        ASSERT_TRUE(reader.is_open());
        auto received = reader.start();

        auto outcome = engine.run(log.get(), all_units(), pipe);
        EXPECT_TRUE(outcome) << outcome.error().description;
        EXPECT_TRUE(looks_exported(received.get()));
        struct stat st {};
        ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << "the pipe was replaced by a file";
    }
}

TEST(OutputTarget, ReplacingAFileKeepsItsPermissions) {
    for (const EngineCase& engine : kEngines) {
        SCOPED_TRACE(engine.name);
        ScratchDir dir;
        platform::ComPtr<ILog> log = testing::open_log(dir / "pc3.log", testing::pc3_log());
        const auto out = dir / "shared";
        { std::ofstream(out) << "old"; }
        ASSERT_EQ(::chmod(out.c_str(), 0640), 0);

        auto outcome = engine.run(log.get(), all_units(), out);
        ASSERT_TRUE(outcome) << outcome.error().description;
        struct stat st {};
        ASSERT_EQ(::stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
    }
}

}  // namespace
}  // namespace corvex::exporting
