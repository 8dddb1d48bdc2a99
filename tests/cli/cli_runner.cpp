#include "cli_runner.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <stdexcept>
#include <thread>

namespace corvex::cli_test {

namespace {

std::filesystem::path tool_path() { return std::filesystem::path(CORVEX_BINARY_DIR) / "bin" / "corvex"; }

// In the child, before exec: only async-signal-safe calls from here on.
[[noreturn]] void exec_child(char* const* argv, char* const* envp, const RunOptions& o, const char* out_path,
                             const char* err_path) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int s = 1; s < NSIG; ++s) ::signal(s, SIG_DFL);
    if (!o.cwd.empty() && ::chdir(o.cwd.c_str()) != 0) ::_exit(126);
    const int in = ::open("/dev/null", O_RDONLY);
    const int err = ::open(err_path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int out = o.stdout_fd >= 0 ? o.stdout_fd : ::open(out_path, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(in, STDIN_FILENO);
    ::dup2(out, STDOUT_FILENO);
    ::dup2(err, STDERR_FILENO);
    for (int fd = 3; fd < 1024; ++fd) ::close(fd);
    if (o.stdout_closed) ::close(STDOUT_FILENO);
    if (o.file_size_limit) {
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = *o.file_size_limit;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (o.without_permission_override && ::geteuid() == 0) {
        // What root keeps across exec is its bounding set.
        for (int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            if (::prctl(PR_CAPBSET_DROP, cap, 0, 0, 0) != 0) ::_exit(125);
    }
    ::execve(argv[0], argv, envp);
    ::_exit(127);
}

}  // namespace

std::vector<std::string> RunResult::error_lines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

RunningCorvex::RunningCorvex(const std::vector<std::string>& args, const RunOptions& options)
    : deadline_(std::chrono::steady_clock::now() + options.timeout) {
    std::vector<std::string> env = {"LC_ALL=C", "LANG=C", "TZ=UTC", "PATH=/usr/bin:/bin",
                                    "CORVEX_REGISTRY=" + (capture_ / "no-registry").string()};
    for (const std::string& e : options.env) {
        const std::string name = e.substr(0, e.find('=') + 1);
        std::erase_if(env, [&](const std::string& d) { return d.starts_with(name); });
        env.push_back(e);
    }
    std::vector<std::string> argv_text = {tool_path().string()};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv, envp;
    for (auto& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    const std::string out_path = capture_ / "stdout";
    const std::string err_path = capture_ / "stderr";
    captured_out_ = !options.stdout_closed && options.stdout_fd < 0;

    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("cannot start " + argv_text[0]);
    if (pid_ == 0) exec_child(argv.data(), envp.data(), options, out_path.c_str(), err_path.c_str());
}

RunningCorvex::~RunningCorvex() {
    if (!reaped_ && pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

bool RunningCorvex::running() {
    if (reaped_) return false;
    const pid_t done = ::waitpid(pid_, &wstatus_, WNOHANG);
    if (done == pid_) reaped_ = true;
    return !reaped_;
}

RunResult RunningCorvex::wait() {
    RunResult result;
    bool stopped = false;
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline_) {
            ::kill(pid_, SIGKILL);
            stopped = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.status = stopped                 ? -2
                    : WIFEXITED(wstatus_)   ? WEXITSTATUS(wstatus_)
                                            : 128 + WTERMSIG(wstatus_);
    if (captured_out_) result.out = read_file(capture_ / "stdout");
    result.err = read_file(capture_ / "stderr");
    return result;
}

RunResult run_corvex(const std::vector<std::string>& args, const RunOptions& options) {
    return RunningCorvex(args, options).wait();
}

RunResult run_corvex(const std::vector<std::string>& args, const std::vector<std::string>& extra_env,
                     const std::filesystem::path& cwd) {
    RunOptions options;
    options.env = extra_env;
    options.cwd = cwd;
    return run_corvex(args, options);
}

bool permissions_can_be_enforced() {
    if (::geteuid() != 0) return true;
    // Try in a child: dropping from the bounding set needs CAP_SETPCAP.
    const pid_t child = ::fork();
    if (child == 0) ::_exit(::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 ? 0 : 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace corvex::cli_test
