// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/lan_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "tests/support/lan_files.h"

extern char** environ;

namespace {

std::vector<std::string> MergedEnvironment(const std::vector<std::string>& extra) {
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        std::string entry = *e;
        std::string name = entry.substr(0, entry.find('='));
        bool replaced = false;
        for (const std::string& x : extra) replaced = replaced || x.substr(0, x.find('=')) == name;
        if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// In the child between fork and exec only async-signal-safe calls are allowed.
void Redirect(const char* path, int target, int errorPipe) {
    if (path == nullptr) return;
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::dup2(fd, target) < 0) {
        int e = errno;
        [[maybe_unused]] ssize_t n = ::write(errorPipe, &e, sizeof e);
        ::_exit(127);
    }
    ::close(fd);
}

}  // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, ChildOptions options) {
    if (argv.empty()) {
        error_ = "no program";
        return;
    }
    std::vector<std::string> env = MergedEnvironment(options.env);
    std::vector<char*> argvPointers = Pointers(argv);
    std::vector<char*> envPointers = Pointers(env);
    const char* out = options.stdoutPath.empty() ? nullptr : options.stdoutPath.c_str();
    const char* err = options.stderrPath.empty() ? nullptr : options.stderrPath.c_str();

    // exec's errno comes back through a close-on-exec pipe; EOF means exec worked.
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    pid_t pid = ::fork();
    if (pid < 0) {
        error_ = std::string("fork: ") + std::strerror(errno);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return;
    }
    if (pid == 0) {
        ::close(pipeFds[0]);
        // The test may have blocked signals; the child starts clean.
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        Redirect(out, STDOUT_FILENO, pipeFds[1]);
        Redirect(err, STDERR_FILENO, pipeFds[1]);
        ::execve(argvPointers[0], argvPointers.data(), envPointers.data());
        int e = errno;
        [[maybe_unused]] ssize_t n = ::write(pipeFds[1], &e, sizeof e);
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    pid_ = pid;
    int childErrno = 0;
    ssize_t n;
    do {
        n = ::read(pipeFds[0], &childErrno, sizeof childErrno);
    } while (n < 0 && errno == EINTR);
    ::close(pipeFds[0]);
    if (n == static_cast<ssize_t>(sizeof childErrno)) {
        error_ = "cannot start " + argv[0] + ": " + std::strerror(childErrno);
        Reap(true);
        status_.reset();
        pid_ = -1;
    }
}

ChildProcess::~ChildProcess() { Stop(std::chrono::milliseconds(2000)); }

bool ChildProcess::Reap(bool block) {
    if (pid_ <= 0) return status_.has_value();
    int raw = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &raw, block ? 0 : WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    if (r < 0) {
        status_ = -1;
    } else if (WIFEXITED(raw)) {
        status_ = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw)) {
        status_ = 128 + WTERMSIG(raw);
    } else {
        status_ = -1;
    }
    pid_ = -1;
    return true;
}

std::optional<int> ChildProcess::Wait(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!Reap(false)) {
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return status_;
}

bool ChildProcess::Signal(int signal) { return pid_ > 0 && ::kill(pid_, signal) == 0; }

std::optional<int> ChildProcess::Stop(std::chrono::milliseconds grace) {
    if (pid_ <= 0) return status_;
    Signal(SIGTERM);
    if (auto status = Wait(grace)) return status;
    Signal(SIGKILL);
    Reap(true);
    return status_;
}

ProgramText RunForText(std::vector<std::string> argv, const std::string& outPath, const std::string& errPath,
                       std::vector<std::string> env, std::chrono::seconds limit) {
    ProgramText run;
    {
        ChildProcess child(std::move(argv), {std::move(env), outPath, errPath});
        run.status = child.Wait(limit).value_or(-1);
    }
    run.out = ReadWholeFile(outPath);
    run.err = ReadWholeFile(errPath);
    return run;
}

ProgramRun RunToEnd(std::vector<std::string> argv, const std::string& outPath, const std::string& errPath,
                    std::chrono::seconds limit) {
    ProgramRun run;
    {
        ChildProcess child(std::move(argv), {{}, outPath, errPath});
        run.status = child.Wait(limit).value_or(-1);
    }
    run.out = ReadLines(outPath);
    run.err = ReadLines(errPath);
    return run;
}
