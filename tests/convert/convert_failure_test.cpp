// Every way a conversion can fail is reported, answers -1, and leaves no
// half-written file under the destination's name. The destination rules
// themselves (links, pipes, long names, interruptions) are the output file's,
// checked for every writer in tests/cli/hostile_output_test.cpp.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>

#include "corvex/platform/module.h"
#include "corvex/platform/text.h"
#include "tests/convert/convert_test_support.h"
#include "tests/support/invalid_names.h"

namespace corvex::convert::testing {
namespace {

const Message kInputMessage{"Could not open input file", "Convert Log"};
const Message kOutputMessage{"Could not open output file", "Convert Log"};
const std::string kOldContent = "an older file that must survive";
// 1,032 bytes of header and items, then 18 bytes per unit and record.
std::uintmax_t converted_size(int records, int units = 3) { return 1032u + 18u * units * records; }

TEST_F(ConvertTest, UnreadableSourcesAndUnwritableDestinationsAreRefused) {
    const std::string src = write_log(dir_, "in.log", pc_log(3, 2)), plain = dir_.write("plain", "a regular file");
    const std::string old = dir_.write("old.cvt", kOldContent);
    fs::create_directory(dir_ / "folder");
    fs::create_symlink(src, dir_ / "soft.cvt");
    fs::create_hard_link(src, dir_ / "hard.cvt");
    ASSERT_EQ(::mkfifo((dir_ / "unread.fifo").c_str(), 0600), 0);  // nobody reads: refused, never waited on
    const std::u16string folder = text::path_to_utf16(dir_.path().native() + "/");
    struct Case {
        const char* name;
        std::optional<std::u16string> src, dst;  // no value: a null BSTR
        Message message;
    };
    const auto in = [&](const std::string& name) { return std::optional(folder + text::path_to_utf16(name)); };
    const Case cases[] = {
        {"source missing", in("missing.log"), in("old.cvt"), kInputMessage},
        {"source is a folder", in("folder"), in("x.cvt"), kInputMessage},
        {"source null", std::nullopt, in("x.cvt"), kInputMessage},
        {"source with a NUL inside", folder + std::u16string(u"in.log\0junk", 11), in("x.cvt"), kInputMessage},
        {"destination folder missing", in("in.log"), in("missing/x.cvt"), kOutputMessage},
        {"destination path through a regular file", in("in.log"), in("plain/x.cvt"), kOutputMessage},
        {"destination is a folder", in("in.log"), in("folder"), kOutputMessage},
        {"destination names a folder by a trailing slash", in("in.log"), in("new/"), kOutputMessage},
        {"destination is the source", in("in.log"), in("in.log"), kOutputMessage},
        {"destination is the source by another spelling", in("in.log"), in("folder/../in.log"), kOutputMessage},
        {"destination is a link to the source", in("in.log"), in("soft.cvt"), kOutputMessage},
        {"destination is a hard link to the source", in("in.log"), in("hard.cvt"), kOutputMessage},
        {"destination is a pipe nobody reads", in("in.log"), in("unread.fifo"), kOutputMessage},
        {"destination null", in("in.log"), std::nullopt, kOutputMessage},
        {"destination with a NUL inside", in("in.log"), folder + std::u16string(u"out\0x", 5), kOutputMessage},
        {"destination with a lone surrogate", in("in.log"), folder + std::u16string{u'o', char16_t(0xDBFF)},
         kOutputMessage},
    };
    const std::string before = read_file(src);
    const auto entries = dir_.entries();
    auto converter = ConvertLog::make();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages_.clear();
        const Bstr s = c.src ? Bstr(*c.src) : Bstr(), d = c.dst ? Bstr(*c.dst) : Bstr();
        EXPECT_EQ(convert(*converter, s, d), -1);
        EXPECT_EQ(messages_, std::vector<Message>{c.message});
    }
    EXPECT_EQ(converter->RZ417ToPC(Bstr(*in("in.log")).get(), Bstr(*in("y.cvt")).get(), nullptr), E_POINTER);
    EXPECT_EQ(dir_.entries(), entries);
    EXPECT_EQ(read_file(src), before);
    EXPECT_EQ(read_file(plain), "a regular file");
    EXPECT_EQ(read_file(old), kOldContent);
    EXPECT_TRUE(fs::is_symlink(dir_ / "soft.cvt"));
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
}

// A file that opens but is no readable log converts to an empty destination.
TEST_F(ConvertTest, SourceThatIsNoLogGivesAnEmptyDestination) {
    lw::LogDescription converted = pc_log(3, 2);
    converted.format = lw::Format::Converted;
    ASSERT_EQ(::mkfifo((dir_ / "pipe.log").c_str(), 0600), 0);  // nobody writes: probing it must not wait
    for (const std::string& src : {dir_.write("notes.txt", "plain text, no log at all"),
                                  write_log(dir_, "converted.log", converted), (dir_ / "pipe.log").string()}) {
        SCOPED_TRACE(src);
        const std::string dst = dir_.write("out.cvt", kOldContent);
        EXPECT_EQ(convert(src, dst), 0);
        EXPECT_EQ(read_file(dst), "");
    }
    EXPECT_TRUE(messages_.empty());
}

TEST_F(ConvertTest, NamesThatAreNotUtf8AreReadAndWrittenExactly) {
    for (const auto& name : corvex::testing::invalid_names()) {
        SCOPED_TRACE(name.kind);
        const std::string src = "in" + name.bytes + ".log", dst = "out" + name.bytes + ".cvt";
        write_log(dir_, src, pc_log(3, 2));
        EXPECT_EQ(convert(dir_ / src, dir_ / dst), 0);
        EXPECT_EQ(fs::file_size(dir_ / dst), converted_size(2));
        EXPECT_EQ(dir_.entries(), (std::vector<std::string>{src, dst}));
        fs::remove(dir_ / src);
        fs::remove(dir_ / dst);
    }
    EXPECT_TRUE(messages_.empty());
}

// The conversion in a child process whose files may not grow past `limit`
// bytes, as on a full disk; the child reports pVal and the messages it saw.
std::string convert_with_file_size_limit(const fs::path& src, const fs::path& dst, rlim_t limit) {
    int pipe_fds[2];
    if (::pipe(pipe_fds) != 0) return "pipe failed";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipe_fds[0]);
        std::string report;
        set_message_sink([&](std::string_view text, std::string_view) { report.append(text).append(";"); });
        ::signal(SIGXFSZ, SIG_IGN);
        const rlimit rl{limit, limit};
        ::setrlimit(RLIMIT_FSIZE, &rl);
        std::int32_t result = 12345;
        ConvertLog::make()->RZ417ToPC(Bstr::from_path(src.native()).get(), Bstr::from_path(dst.native()).get(), &result);
        report = std::to_string(result) + ";" + report;
        (void)!::write(pipe_fds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipe_fds[1]);
    std::string report;
    char buf[256];
    for (ssize_t n; (n = ::read(pipe_fds[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<std::size_t>(n));
    ::close(pipe_fds[0]);
    ::waitpid(child, nullptr, 0);
    return report;
}

TEST_F(ConvertTest, FullDiskIsReportedAndLeavesTheOldDestination) {
    const std::string src = write_log(dir_, "big.log", pc_log(3, 200)), dst = dir_.write("big.cvt", kOldContent);
    EXPECT_EQ(convert_with_file_size_limit(src, dst, 4096), "-1;Could not write output file;");
    EXPECT_EQ(read_file(dst), kOldContent);
    EXPECT_EQ(dir_.entries(), (std::vector<std::string>{"big.cvt", "big.log"}));
    // With room enough the same conversion succeeds.
    EXPECT_EQ(convert_with_file_size_limit(src, dst, 1 << 20), "0;");
    EXPECT_EQ(fs::file_size(dst), converted_size(200));
}

std::size_t open_descriptors() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(ConvertTest, EveryPathOutClosesItsFilesAndReleasesItsObjects) {
    write_log(dir_, "in.log", pc_log(3, 3));
    dir_.write("junk.log", "junk");
    auto converter = ConvertLog::make();
    const std::size_t descriptors = open_descriptors();
    const std::int64_t objects = platform::module::live_objects();
    EXPECT_EQ(convert(*converter, dir_ / "in.log", dir_ / "out.cvt"), 0);
    EXPECT_EQ(convert(*converter, dir_ / "junk.log", dir_ / "out.cvt"), 0);
    EXPECT_EQ(convert(*converter, dir_ / "missing.log", dir_ / "out.cvt"), -1);
    EXPECT_EQ(convert(*converter, dir_ / "in.log", dir_ / "missing" / "out.cvt"), -1);
    EXPECT_EQ(convert(*converter, dir_ / "in.log", dir_ / "in.log"), -1);
    EXPECT_EQ(open_descriptors(), descriptors);
    EXPECT_EQ(platform::module::live_objects(), objects);
}

}  // namespace
}  // namespace corvex::convert::testing
