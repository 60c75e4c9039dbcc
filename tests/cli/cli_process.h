// Runs brevanta-cli (from the program folder) as a child process and collects what it says.
#pragma once

#include "platform/program_folder.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bv::testing {

struct CliResult {
    int status = -1; // exit status, or 128 + signal
    std::string out;
    std::string err;
};

class CliProcess {
public:
    CliProcess(const std::vector<std::string>& args, const std::filesystem::path& scratch)
        : scratch_(scratch) {
        const std::string exe = ProgramFolder() + "brevanta-cli";
        std::vector<char*> argv{const_cast<char*>(exe.c_str())};
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        outPath_ = (scratch_ / "cli.out").string();
        errPath_ = (scratch_ / "cli.err").string();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath_.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn(&pid_, exe.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
    }
    ~CliProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    void Signal(int sig) { kill(pid_, sig); }

    CliResult Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        CliResult r;
        r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = Read(outPath_);
        r.err = Read(errPath_);
        return r;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }

private:
    std::filesystem::path scratch_;
    std::string outPath_, errPath_;
    pid_t pid_ = -1;
};

inline CliResult RunCliProcess(const std::vector<std::string>& args, const std::filesystem::path& scratch) {
    CliProcess p(args, scratch);
    return p.Wait();
}

} // namespace bv::testing
