// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A child process owned by a test: started with fork/exec, and killed and
// reaped when the object goes, so a failing test never leaves one behind.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

struct ChildOptions {
    // "NAME=VALUE" entries added to (or replacing in) the inherited environment.
    std::vector<std::string> env;
    // Files that receive the child's stdout / stderr (truncated); empty keeps the test's own.
    std::string stdoutPath;
    std::string stderrPath;
};

class ChildProcess {
public:
    // argv[0] is the program's path (no PATH search).
    explicit ChildProcess(std::vector<std::string> argv, ChildOptions options = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // False when fork or exec failed; Error() says why.
    bool Started() const { return pid_ > 0 || status_.has_value(); }
    const std::string& Error() const { return error_; }
    pid_t Pid() const { return pid_; }

    // The exit status once the child has ended within the timeout: its exit
    // code, or 128 + the signal that ended it. nullopt while it still runs.
    std::optional<int> Wait(std::chrono::milliseconds timeout);

    // Sends a signal to a running child; false if there is none.
    bool Signal(int signal);

    // SIGTERM, then SIGKILL after `grace`; returns the exit status.
    std::optional<int> Stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

private:
    bool Reap(bool block);

    pid_t pid_ = -1;
    std::optional<int> status_;
    std::string error_;
};

// A program run to its end: its exit status (-1 when it had not ended within
// the limit, and was then killed) and the lines it printed.
struct ProgramRun {
    int status = -1;
    std::vector<std::string> out;
    std::vector<std::string> err;
};
// stdout and stderr go through the two files named.
ProgramRun RunToEnd(std::vector<std::string> argv, const std::string& outPath, const std::string& errPath,
                    std::chrono::seconds limit = std::chrono::seconds(60));

// The same with the whole texts it printed, and `env` ("NAME=VALUE") added.
struct ProgramText {
    int status = -1;
    std::string out;
    std::string err;
};
ProgramText RunForText(std::vector<std::string> argv, const std::string& outPath, const std::string& errPath,
                       std::vector<std::string> env = {}, std::chrono::seconds limit = std::chrono::seconds(60));
