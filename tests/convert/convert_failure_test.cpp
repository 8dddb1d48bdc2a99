// Every way a conversion can fail is reported, answers -1, and leaves no
// half-written file under the destination's name.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "corvex/platform/module.h"
#include "corvex/platform/text.h"
#include "tests/convert/convert_test_support.h"
#include "tests/support/invalid_names.h"
#include "tools/logwriter/log_writer.h"

namespace corvex::convert::testing {
namespace {

namespace lw = corvex::logwriter;

const Message kInputMessage{"Could not open input file", "Convert Log"};
const Message kOutputMessage{"Could not open output file", "Convert Log"};
const Message kWriteMessage{"Could not write output file", "Convert Log"};
const std::string kOldContent = "an older file that must survive";

lw::LogDescription small_pc_log(int records) {
    lw::LogDescription desc;
    desc.format = lw::Format::Pc;
    for (int c = 0; c < 3; ++c) {
        lw::Channel ch;
        ch.channel = static_cast<std::int16_t>(c);
        ch.unit_type = 577;
        ch.label = "Flow";
        desc.channels.push_back(ch);
    }
    for (int r = 0; r < records; ++r) desc.records.push_back({45000.0 + r, {1.0, 2.0, 3.0}, {0, 1, 2}, 0});
    return desc;
}

TEST_F(ConvertTest, MissingSourceLeavesTheDestinationUntouched) {
    const fs::path dst = dir_ / "old.cvt";
    write_bytes(dst, kOldContent);
    EXPECT_EQ(convert(dir_ / "no-such.log", dst), -1);
    EXPECT_EQ(messages_, std::vector<Message>{kInputMessage});
    EXPECT_EQ(read_bytes(dst), kOldContent);
    EXPECT_EQ(folder_names(dir_), std::vector<std::string>{"old.cvt"});
}

TEST_F(ConvertTest, SourceThatIsNoLogGivesAnEmptyDestination) {
    const fs::path src = dir_ / "notes.txt", dst = dir_ / "notes.cvt";
    write_bytes(src, "plain text, no log at all");
    write_bytes(dst, kOldContent);
    EXPECT_EQ(convert(src, dst), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(read_bytes(dst), "");

    // A converted log is no readable source either.
    lw::write_log(dir_ / "a.log", small_pc_log(2));
    ASSERT_EQ(convert(dir_ / "a.log", dir_ / "a.cvt"), 0);
    EXPECT_EQ(convert(dir_ / "a.cvt", dir_ / "b.cvt"), 0);
    EXPECT_EQ(fs::file_size(dir_ / "b.cvt"), 0u);
    EXPECT_EQ(folder_names(dir_), (std::vector<std::string>{"a.cvt", "a.log", "b.cvt", "notes.cvt", "notes.txt"}));
}

TEST_F(ConvertTest, UnopenableSourcesAndDestinationsAreRefused) {
    const fs::path src = dir_ / "in.log";
    lw::write_log(src, small_pc_log(2));
    write_bytes(dir_ / "plain", "a regular file");
    fs::create_directory(dir_ / "folder");
    struct Case {
        const char* name;
        fs::path src, dst;
        Message message;
    } cases[] = {
        {"source is a folder", dir_ / "folder", dir_ / "x.cvt", kInputMessage},
        {"destination folder missing", src, dir_ / "missing" / "x.cvt", kOutputMessage},
        {"destination path through a regular file", src, dir_ / "plain" / "x.cvt", kOutputMessage},
        {"destination is a folder", src, dir_ / "folder", kOutputMessage},
        {"destination names a folder by a trailing slash", src, fs::path((dir_ / "new").string() + "/"),
         kOutputMessage},
        {"destination is the source", src, src, kOutputMessage},
        {"destination is the source by another spelling", src, dir_ / "folder" / ".." / "in.log", kOutputMessage},
    };
    const std::string before = read_bytes(src);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        messages_.clear();
        EXPECT_EQ(convert(c.src, c.dst), -1);
        EXPECT_EQ(messages_, std::vector<Message>{c.message});
    }
    EXPECT_EQ(read_bytes(src), before);
    EXPECT_EQ(read_bytes(dir_ / "plain"), "a regular file");
    EXPECT_EQ(folder_names(dir_), (std::vector<std::string>{"folder", "in.log", "plain"}));
    EXPECT_TRUE(fs::is_empty(dir_ / "folder"));
}

TEST_F(ConvertTest, DestinationLinkedToTheSourceIsRefused) {
    const fs::path src = dir_ / "in.log";
    lw::write_log(src, small_pc_log(2));
    const std::string before = read_bytes(src);
    fs::create_symlink(src, dir_ / "soft.cvt");
    fs::create_hard_link(src, dir_ / "hard.cvt");
    for (const char* name : {"soft.cvt", "hard.cvt"}) {
        SCOPED_TRACE(name);
        messages_.clear();
        EXPECT_EQ(convert(src, dir_ / name), -1);
        EXPECT_EQ(messages_, std::vector<Message>{kOutputMessage});
        EXPECT_EQ(read_bytes(src), before);
    }
    EXPECT_TRUE(fs::is_symlink(dir_ / "soft.cvt"));
}

TEST_F(ConvertTest, NullArguments) {
    auto converter = ConvertLog::make();
    const Bstr src = Bstr::from_utf8((dir_ / "in.log").string());
    lw::write_log(dir_ / "in.log", small_pc_log(1));
    EXPECT_EQ(converter->RZ417ToPC(src.get(), src.get(), nullptr), E_POINTER);
    EXPECT_TRUE(messages_.empty());

    std::int32_t result = 0;
    EXPECT_EQ(converter->RZ417ToPC(nullptr, src.get(), &result), S_OK);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(converter->RZ417ToPC(src.get(), nullptr, &result), S_OK);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(messages_, (std::vector<Message>{kInputMessage, kOutputMessage}));
}

TEST_F(ConvertTest, PathWithANulInsideIsNotCutShort) {
    // "in.log\0junk" must not be taken for "in.log", nor "out\0x" for "out".
    lw::write_log(dir_ / "in.log", small_pc_log(1));
    auto converter = ConvertLog::make();
    const std::u16string folder = text::utf8_to_utf16(dir_.string() + "/");
    const Bstr good_src(folder + u"in.log"), bad_src(folder + std::u16string(u"in.log\0junk", 11));
    const Bstr bad_dst(folder + std::u16string(u"out\0x", 5));
    std::int32_t result = 0;
    EXPECT_EQ(converter->RZ417ToPC(bad_src.get(), Bstr(folder + u"o.cvt").get(), &result), S_OK);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(converter->RZ417ToPC(good_src.get(), bad_dst.get(), &result), S_OK);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(messages_, (std::vector<Message>{kInputMessage, kOutputMessage}));
    EXPECT_EQ(folder_names(dir_), std::vector<std::string>{"in.log"});
}

TEST_F(ConvertTest, NamesThatAreNotUtf8AreReadAndWrittenExactly) {
    for (const auto& name : corvex::testing::invalid_names()) {
        SCOPED_TRACE(name.kind);
        const std::string src = "in" + name.bytes + ".log", dst = "out" + name.bytes + ".cvt";
        lw::write_log(dir_ / src, small_pc_log(2));
        EXPECT_EQ(convert(dir_ / src, dir_ / dst), 0);
        EXPECT_EQ(fs::file_size(dir_ / dst), 1032u + 18 * 3 * 2);
        EXPECT_EQ(folder_names(dir_), (std::vector<std::string>{src, dst}));
        fs::remove(dir_ / src);
        fs::remove(dir_ / dst);
    }
    EXPECT_TRUE(messages_.empty());
    // A lone surrogate that stands for no byte names no file to write.
    lw::write_log(dir_ / "in.log", small_pc_log(1));
    const std::u16string folder = text::path_to_utf16(dir_.native() + "/");
    const Bstr src(folder + u"in.log"), dst(folder + std::u16string{u'o', char16_t(0xDBFF)});
    std::int32_t result = 0;
    EXPECT_EQ(ConvertLog::make()->RZ417ToPC(src.get(), dst.get(), &result), S_OK);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(messages_, std::vector<Message>{kOutputMessage});
    EXPECT_EQ(folder_names(dir_), std::vector<std::string>{"in.log"});
}

TEST_F(ConvertTest, LongPathsWork) {
    fs::path folder = dir_;
    for (int i = 0; i < 6; ++i) folder /= std::string(60, static_cast<char>('a' + i));
    fs::create_directories(folder);
    const fs::path src = folder / "source.log", dst = folder / "destination.cvt";
    ASSERT_GT(dst.string().size(), 400u);
    lw::write_log(src, small_pc_log(3));
    EXPECT_EQ(convert(src, dst), 0);
    EXPECT_EQ(fs::file_size(dst), 1032u + 18 * 3 * 3);
}

TEST_F(ConvertTest, DestinationThroughALinkUpdatesTheFileItNames) {
    lw::write_log(dir_ / "in.log", small_pc_log(2));
    write_bytes(dir_ / "target.cvt", kOldContent);
    fs::create_symlink("target.cvt", dir_ / "link.cvt");
    EXPECT_EQ(convert(dir_ / "in.log", dir_ / "link.cvt"), 0);
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.cvt"));
    EXPECT_EQ(fs::file_size(dir_ / "target.cvt"), 1032u + 18 * 3 * 2);
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
        auto converter = ConvertLog::make();
        std::int32_t result = 12345;
        const Bstr s = Bstr::from_utf8(src.string()), d = Bstr::from_utf8(dst.string());
        converter->RZ417ToPC(s.get(), d.get(), &result);
        report = std::to_string(result) + ";" + report;
        (void)!::write(pipe_fds[1], report.data(), report.size());
        ::_exit(0);
    }
    ::close(pipe_fds[1]);
    std::string report;
    char buf[256];
    for (ssize_t n; (n = ::read(pipe_fds[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<std::size_t>(n));
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return report;
}

TEST_F(ConvertTest, FullDiskIsReportedAndLeavesTheOldDestination) {
    const fs::path src = dir_ / "big.log", dst = dir_ / "big.cvt";
    lw::write_log(src, small_pc_log(200));  // about 11 kB of output
    write_bytes(dst, kOldContent);
    EXPECT_EQ(convert_with_file_size_limit(src, dst, 4096), "-1;Could not write output file;");
    EXPECT_EQ(read_bytes(dst), kOldContent);
    EXPECT_EQ(folder_names(dir_), (std::vector<std::string>{"big.cvt", "big.log"}));

    // With room enough the same conversion succeeds.
    EXPECT_EQ(convert_with_file_size_limit(src, dst, 1 << 20), "0;");
    EXPECT_EQ(fs::file_size(dst), 1032u + 18 * 3 * 200);
}

TEST_F(ConvertTest, WritingToADeviceGoesStraightThrough) {
    lw::write_log(dir_ / "in.log", small_pc_log(2));
    EXPECT_EQ(convert(dir_ / "in.log", "/dev/null"), 0);
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(ConvertTest, APipeAsTheSourceDoesNotHangTheConversion) {
    // Nobody writes into the pipe: opening it to probe the source must not wait for a writer.
    const fs::path src = dir_ / "pipe.log", dst = dir_ / "pipe.cvt";
    ASSERT_EQ(::mkfifo(src.c_str(), 0600), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        set_message_sink([](std::string_view, std::string_view) {});
        auto converter = ConvertLog::make();
        std::int32_t result = 12345;
        const Bstr s = Bstr::from_utf8(src.string()), d = Bstr::from_utf8(dst.string());
        converter->RZ417ToPC(s.get(), d.get(), &result);
        ::_exit(result == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the conversion hung on the pipe";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    // A pipe is no log: the destination is left empty, as for any other non-log source.
    EXPECT_EQ(read_bytes(dst), "");
}

TEST_F(ConvertTest, APipeAsTheDestinationIsWrittenOnlyWhenSomeoneReads) {
    lw::write_log(dir_ / "in.log", small_pc_log(2));
    const fs::path dst = dir_ / "pipe.cvt";
    ASSERT_EQ(::mkfifo(dst.c_str(), 0600), 0);

    // Nobody reads: refused at once instead of waiting for a reader forever.
    const pid_t child = ::fork();
    if (child == 0) {
        ::alarm(10);
        std::string seen;
        set_message_sink([&](std::string_view text, std::string_view) { seen = text; });
        auto converter = ConvertLog::make();
        std::int32_t result = 12345;
        const Bstr s = Bstr::from_utf8((dir_ / "in.log").string()), d = Bstr::from_utf8(dst.string());
        converter->RZ417ToPC(s.get(), d.get(), &result);
        ::_exit(result == -1 && seen == "Could not open output file" ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "the conversion hung on a pipe nobody reads";
    EXPECT_EQ(WEXITSTATUS(status), 0);

    // With a reader the converted log goes through the pipe.
    const int reader = ::open(dst.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_EQ(convert(dir_ / "in.log", dst), 0);
    EXPECT_TRUE(messages_.empty());
    std::string got(4096, '\0');
    const ssize_t n = ::read(reader, got.data(), got.size());
    ::close(reader);
    EXPECT_EQ(n, static_cast<ssize_t>(1032 + 18 * 3 * 2));
    EXPECT_TRUE(fs::is_fifo(dst));
}

std::size_t open_descriptors() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()));
}

TEST_F(ConvertTest, EveryPathOutClosesItsFilesAndReleasesItsObjects) {
    lw::write_log(dir_ / "in.log", small_pc_log(3));
    write_bytes(dir_ / "junk.log", "junk");
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

TEST(ConvertMessages, DefaultSinkWritesOneLineToStandardError) {
    set_message_sink({});
    auto converter = ConvertLog::make();
    const Bstr missing(u"/nonexistent/corvex/missing.log"), dst(u"/nonexistent/corvex/out.cvt");
    std::int32_t result = 0;
    ::testing::internal::CaptureStderr();
    converter->RZ417ToPC(missing.get(), dst.get(), &result);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Convert Log: Could not open input file\n");
    EXPECT_EQ(result, -1);
}

}  // namespace
}  // namespace corvex::convert::testing
