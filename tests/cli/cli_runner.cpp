#include "cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace corvex::cli_test {

namespace {

std::filesystem::path tool_path() { return std::filesystem::path(CORVEX_BINARY_DIR) / "bin" / "corvex"; }

}  // namespace

std::vector<std::string> RunResult::error_lines() const {
    std::vector<std::string> lines;
    std::istringstream in(err);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

RunResult run_corvex(const std::vector<std::string>& args, const std::vector<std::string>& extra_env,
                     const std::filesystem::path& cwd) {
    TempFolder capture;
    const std::string out_path = capture / "stdout";
    const std::string err_path = capture / "stderr";

    std::vector<std::string> env = {"LC_ALL=C", "LANG=C", "TZ=UTC", "PATH=/usr/bin:/bin",
                                    "CORVEX_REGISTRY=" + (capture / "no-registry").string()};
    for (const std::string& e : extra_env) {
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

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!cwd.empty()) posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) throw std::runtime_error("cannot start " + argv_text[0]);

    int wstatus = 0;
    while (waitpid(pid, &wstatus, 0) < 0) {
    }
    RunResult result;
    result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    result.out = read_file(out_path);
    result.err = read_file(err_path);
    return result;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvex-cli-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    // Make every entry removable again (tests take write permission away).
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
        if (entry.is_directory(ec)) std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                                                 std::filesystem::perm_options::add, ec);
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::write_log(const std::string& name, const logwriter::LogDescription& desc) const {
    const std::filesystem::path p = path_ / name;
    logwriter::write_log(p, desc);
    return p.string();
}

std::string TempFolder::write_bytes(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path p = path_ / name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p.string();
}

std::vector<std::string> TempFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace corvex::cli_test
