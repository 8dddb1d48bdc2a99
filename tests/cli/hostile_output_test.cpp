// Where the tool's writers (export as delimited text, export as a workbook,
// convert) must hold up: destinations that are pipes, descriptors the tool
// already holds, links, odd names, a read-only folder or a full disk, and the
// process interrupted part way. Each row ends in the complete output, or in a
// clear error with the destination as it was and nothing left behind.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_runner.h"
#include "test_logs.h"

namespace corvex::cli_test {
namespace {

namespace fs = std::filesystem;

struct Writer {
    std::string name;           // the export format, or "convert"
    const char* write_failure;  // how a failed write is reported
    std::vector<std::string> args(const std::string& log, const std::string& to) const {
        if (name == "convert") return {"convert", log, to};
        return {"export", log, "-o", to, "--format", name};
    }
};

const Writer kWriters[] = {{"csv", "Broken pipe"}, {"xlsx", "Broken pipe"},
                           {"convert", "Convert Log: Could not write output file"}};

// Fixed workbook properties, so that two exports give the same bytes; staging
// files go to a folder the test looks into. That folder's modification time
// is set far back: it changes with every file made or removed in it.
RunOptions options_for(const ScratchDir& folder) {
    RunOptions o;
    o.env = {"SOURCE_DATE_EPOCH=1700000000", "TMPDIR=" + (folder / "tmp").string()};
    if (fs::create_directories(folder / "tmp")) {
        const timespec long_ago[2] = {{1'000'000, 0}, {1'000'000, 0}};
        ::utimensat(AT_FDCWD, (folder / "tmp").c_str(), long_ago, 0);
    }
    return o;
}

// What a writer gives for the log on a plain new file. Its temporary files lie
// beside the file, on the disk that must hold it, never in the temporary
// folder, where a full disk would go unnoticed.
std::string reference_output(const Writer& w, const std::string& log) {
    ScratchDir folder;
    const std::string out = (folder / "reference").string();
    const RunResult r = run_corvex(w.args(log, out), options_for(folder));
    EXPECT_EQ(r.status, 0) << r.err;
    struct stat tmp {};
    EXPECT_EQ(::stat((folder / "tmp").c_str(), &tmp), 0);
    EXPECT_EQ(tmp.st_mtim.tv_sec, 1'000'000) << "the temporary folder was used";
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"reference", "tmp"}));
    return read_file(out);
}

// A twelve-channel PC log of `records` records: a few written by the log
// writer, repeated. Long enough to interrupt an export part way.
std::string write_long_log(const ScratchDir& folder, int records) {
    logwriter::LogDescription desc;
    desc.error_flags = 0x1000;
    for (int c = 0; c < 12; ++c) desc.channels.push_back(channel(static_cast<std::int16_t>(c), 577, "Flow"));
    for (int r = 0; r < 4; ++r) desc.records.push_back({45000.0 + r / 86400.0, std::vector<double>(12, 1.0 / (r + 3)), {}, 0});
    const std::string small = logwriter::build_log(desc);
    const std::size_t start = logwriter::data_start(desc);
    std::string bytes = small.substr(0, start);
    for (int r = 0; r < records / 4; ++r) bytes += small.substr(start, 4 * 216);
    return folder.write("long.log", bytes + std::string(216, '\0'));  // a PC log counts a record only when bytes follow it
}

// What a writer that has ended left in a pipe or FIFO (the outputs here fit in its buffer).
std::string drain(int fd) {
    std::string bytes;
    char buffer[65536];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) bytes.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    return bytes;
}

// ---- destinations ------------------------------------------------------------

TEST(HostileOutput, PipesAreWrittenOnceAndNeverWaitedOn) {
    ScratchDir folder;
    const std::string log = write_log(folder, "pc.log", pc_log());
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string expected = reference_output(w, log);
        const fs::path fifo = folder / (w.name + ".fifo");
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);

        RunOptions o = options_for(folder);
        o.timeout = std::chrono::seconds(20);
        const RunResult lonely = run_corvex(w.args(log, fifo), o);
        EXPECT_EQ(lonely.status, 1) << "a pipe without a reader must be refused at once: " << lonely.err;
        EXPECT_NE(lonely.err.find("no process reads the pipe"), std::string::npos) << lonely.err;

        const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
        const RunResult read = run_corvex(w.args(log, fifo), o);
        EXPECT_EQ(read.status, 0) << read.err;
        EXPECT_EQ(drain(reader), expected);
        EXPECT_TRUE(fs::is_fifo(fs::symlink_status(fifo)));
    }
    EXPECT_TRUE(fs::is_empty(folder / "tmp"));
}

TEST(HostileOutput, StandardOutputIsWrittenThroughTheDescriptorTheShellGaveIt) {
    ScratchDir folder;
    const std::string log = write_log(folder, "pc.log", pc_log());
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string expected = reference_output(w, log);
        for (const char* name : {"/dev/stdout", "/dev/fd/1", "/proc/self/fd/1"}) {
            SCOPED_TRACE(name);
            // `corvex ... -o /dev/stdout >> results.txt`
            const std::string appended = folder.write("appended", "earlier results\n");
            RunOptions o = options_for(folder);
            o.stdout_fd = ::open(appended.c_str(), O_WRONLY | O_APPEND);
            RunResult r = run_corvex(w.args(log, name), o);
            ::close(o.stdout_fd);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read_file(appended), "earlier results\n" + expected);

            // `{ echo head; corvex ... -o /dev/stdout; echo foot; } > report.txt`
            const std::string report = (folder / "report").string();
            o.stdout_fd = ::open(report.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ASSERT_EQ(::write(o.stdout_fd, "head\n", 5), 5);
            r = run_corvex(w.args(log, name), o);
            ASSERT_EQ(::write(o.stdout_fd, "foot\n", 5), 5);
            ::close(o.stdout_fd);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read_file(report), "head\n" + expected + "foot\n");

            o.stdout_fd = -1;
            o.stdout_closed = true;
            r = run_corvex(w.args(log, name), o);
            EXPECT_EQ(r.status, 1);
            EXPECT_NE(r.err.find("standard output is closed"), std::string::npos) << r.err;
        }
    }
    EXPECT_TRUE(fs::is_symlink("/dev/stdout"));
    EXPECT_TRUE(fs::is_empty(folder / "tmp"));
}

TEST(HostileOutput, LinksAreFollowedAndAFailureLeavesThemAsTheyWere) {
    ScratchDir folder;
    const std::string log = write_log(folder, "pc.log", pc_log());
    fs::create_directory(folder / "real");
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string expected = reference_output(w, log);
        const std::string tag = w.name;

        // A dangling link: its target is created, the link stays.
        fs::create_symlink("real/" + tag + ".out", folder / (tag + ".link"));
        RunResult r = run_corvex(w.args(log, folder / (tag + ".link")), options_for(folder));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(fs::is_symlink(folder / (tag + ".link")));
        EXPECT_EQ(read_file(folder / "real" / (tag + ".out")), expected);

        // A link into a missing folder, and a loop: refused, nothing changes.
        fs::create_symlink("missing/" + tag + ".out", folder / (tag + ".nowhere"));
        fs::create_symlink(tag + ".loop2", folder / (tag + ".loop1"));
        fs::create_symlink(tag + ".loop1", folder / (tag + ".loop2"));
        const auto before = folder.entries();
        r = run_corvex(w.args(log, folder / (tag + ".nowhere")), options_for(folder));
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("No such file or directory"), std::string::npos) << r.err;
        r = run_corvex(w.args(log, folder / (tag + ".loop1")), options_for(folder));
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("Too many levels of symbolic links"), std::string::npos) << r.err;
        EXPECT_EQ(folder.entries(), before);
        EXPECT_TRUE(fs::is_symlink(folder / (tag + ".nowhere")));
    }
}

TEST(HostileOutput, LongAndNonUtf8NamesAreWrittenExactly) {
    ScratchDir folder;
    const std::string log = write_log(folder, "pc.log", pc_log());
    const RunOptions options = options_for(folder);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string expected = reference_output(w, log);
        // Any name up to NAME_MAX works, also when the temporary name would be longer.
        for (const std::string& name : {w.name + std::string(255 - w.name.size(), 'x'),
                                         w.name + std::string(120, '\xc3') + "\xa9",
                                         w.name + "-caf\xe9-\xff\xfe.out"}) {
            const auto before = folder.entries();
            const RunResult r = run_corvex(w.args(log, (folder / name).string()), options);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(read_file(folder / name), expected);
            auto after = before;
            after.push_back(name);
            std::sort(after.begin(), after.end());
            EXPECT_EQ(folder.entries(), after) << "exactly the named file is new";
        }
    }
}

TEST(HostileOutput, AReplacedFileKeepsItsPermissionsButNoSetIdBits) {
    ScratchDir folder;
    const std::string log = write_log(folder, "pc.log", pc_log());
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string out = folder.write(w.name + ".out", "old");
        ASSERT_EQ(::chmod(out.c_str(), 06755), 0);
        const RunResult r = run_corvex(w.args(log, out), options_for(folder));
        EXPECT_EQ(r.status, 0) << r.err;
        struct stat st {};
        ASSERT_EQ(::stat(out.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0755u);
    }
}

TEST(HostileOutput, AReadOnlyFolderOrAFullDiskLeavesTheDestinationAsItWas) {
    ScratchDir folder;
    const std::string log = write_long_log(folder, 2000);
    const RunOptions options = options_for(folder);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        const std::string out = folder.write(w.name + ".out", "the older file");

        RunOptions full = options;
        full.file_size_limit = 64 * 1024;
        const auto before = folder.entries();
        RunResult r = run_corvex(w.args(log, out), full);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_EQ(read_file(out), "the older file");
        EXPECT_EQ(folder.entries(), before);

        if (!permissions_can_be_enforced()) continue;
        RunOptions read_only = options;
        read_only.without_permission_override = true;
        ASSERT_EQ(::chmod(folder.path().c_str(), 0555), 0);
        r = run_corvex(w.args(log, out), read_only);
        ASSERT_EQ(::chmod(folder.path().c_str(), 0700), 0);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find("Permission denied"), std::string::npos) << r.err;
        EXPECT_EQ(read_file(out), "the older file");
        EXPECT_EQ(folder.entries(), before);
    }
    EXPECT_TRUE(fs::is_empty(folder / "tmp"));
}

// ---- interruptions ----------------------------------------------------------

TEST(HostileOutput, ASignalPartWayLeavesNoTemporaryFileBehind) {
    ScratchDir folder;
    const std::string log = write_long_log(folder, 100'000);
    for (const Writer& w : {kWriters[0], kWriters[1]}) {
        for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
            SCOPED_TRACE(w.name + " " + ::strsignal(signal_number));
            const std::string out = folder.write("out", "the older file");
            RunningCorvex running(w.args(log, out), options_for(folder));
            // Interrupt once the temporary file is there.
            const auto is_temporary = [](const fs::directory_entry& e) {
                return e.path().filename().string().ends_with(".part");
            };
            bool started = false;
            for (int i = 0; i < 20'000 && !started && running.running(); ++i) {
                for (const auto& e : fs::directory_iterator(folder.path())) started = started || is_temporary(e);
                if (!started) std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            ASSERT_TRUE(started) << "the export ended before it could be interrupted";
            // Into the records, past the moment the workbook writer makes its
            // own row files (it removes their names itself, right after making them).
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            ASSERT_TRUE(running.running()) << "the export ended before it could be interrupted";
            ::kill(running.pid(), signal_number);
            const RunResult r = running.wait();
            EXPECT_EQ(r.status, 128 + signal_number) << r.err;
            EXPECT_EQ(read_file(out), "the older file");
            for (const auto& e : fs::directory_iterator(folder.path())) EXPECT_FALSE(is_temporary(e)) << e.path();
        }
    }
    EXPECT_TRUE(fs::is_empty(folder / "tmp"));
}

TEST(HostileOutput, AReaderThatQuitsEarlyIsAWriteErrorNotADeath) {
    ScratchDir folder;
    const std::string log = write_long_log(folder, 20'000);
    for (const Writer& w : kWriters) {
        SCOPED_TRACE(w.name);
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        RunOptions o = options_for(folder);
        o.stdout_fd = ends[1];
        RunningCorvex running(w.args(log, "/dev/stdout"), o);
        ::close(ends[1]);
        char first[100];
        EXPECT_GT(::read(ends[0], first, sizeof first), 0);
        ::close(ends[0]);  // like `| head -c 100`
        const RunResult r = running.wait();
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(w.write_failure), std::string::npos) << r.err;
    }
    EXPECT_TRUE(fs::is_empty(folder / "tmp"));
}

}  // namespace
}  // namespace corvex::cli_test
