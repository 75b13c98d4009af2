// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a LAN test runs, and the simulated network it starts.

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tests/support/lan_files.h"
#include "tests/support/lan_process.h"

// Exit code by which CTest reports a test as skipped.
constexpr int kSkipExitCode = 77;

// Whether this runs under CI (CI=true), where a test that does not run fails.
bool UnderCi();
// The exit code of a test that could not run: the skip code, 1 under CI.
int NotRunExitCode();

// Call it first thing in main(): a LAN test sends broadcasts and must never
// do so in the machine's own network namespace. Outside scripts/lanbox
// (LANBOX unset) the binary ends with NotRunExitCode(); with LANBOX set but a
// network card the box did not make, it refuses with exit code 3, having
// sent nothing.
void RequireLanBox();

// "one", "hosts", or empty outside a box.
std::string LanBoxShape();
// The addresses of the hosts of a "hosts" box, host 1 first; empty otherwise.
std::vector<std::string> LanBoxAddresses();
// Every address of host 1, one per network card (two in a box made with
// --segments 2); empty outside a "hosts" box.
std::vector<std::string> LanBoxHost1Addresses();
// Whether this is a routed box (scripts/lanbox routed), and its device
// segments' networks ("203.0.113.0/24"), segment 1 first.
bool RoutedLanBox();
std::vector<std::string> LanBoxSegments();

// lanvaro-devsim and scripts/lanbox; the environment (LANVARO_DEVSIM,
// LANBOX_SCRIPT) overrides the paths the build compiled in.
std::string DevsimPath();
std::string LanboxScriptPath();

// A running lanvaro-devsim, ready when Start returns true. Its stdout
// (control packages, unless --record is given) and stderr go to files in
// its own directory. Stopped (SIGTERM) when it goes.
class DevsimProcess {
public:
    // `host` > 0 runs it in that host of a "hosts" box (through lanbox exec).
    explicit DevsimProcess(std::vector<std::string> args, int host = 0);

    // Starts and waits for the ready file; false with Error() on failure.
    bool Start(std::chrono::milliseconds timeout = std::chrono::milliseconds(10000));
    const std::string& Error() const { return error_; }

    // A file in devsim's directory (for --record, --log-queries, device files).
    std::string File(const std::string& name) const { return dir_.File(name); }
    std::string StdoutPath() const { return dir_.File("stdout"); }
    std::string StderrPath() const { return dir_.File("stderr"); }

    // Stops devsim; its exit status.
    std::optional<int> Stop();

private:
    TempDir dir_;
    std::vector<std::string> args_;
    int host_;
    std::unique_ptr<ChildProcess> process_;
    std::string error_;
};
