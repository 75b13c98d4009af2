// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/lan_box.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "tools/devsim/box_guard.h"

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

}  // namespace

bool UnderCi() { return Env("CI") == "true"; }

int NotRunExitCode() { return UnderCi() ? 1 : kSkipExitCode; }

void RequireLanBox() {
    if (Env("LANBOX").empty()) {
        std::fprintf(stderr,
                     "This LAN test sends broadcasts, so it only runs inside a LAN box "
                     "(scripts/lanbox one -- TEST). %s\n",
                     UnderCi() ? "Under CI a test that does not run fails." : "Skipped.");
        std::exit(NotRunExitCode());
    }
    const std::string refusal = LanBoxRefusal();
    if (refusal.empty()) return;
    std::fprintf(stderr, "Refusing to run outside a LAN box, nothing was sent: %s\n", refusal.c_str());
    std::exit(kOutsideLanBoxExitCode);
}

std::string LanBoxShape() { return Env("LANBOX"); }

namespace {

std::vector<std::string> HostsBoxList(const char* variable) {
    std::vector<std::string> items;
    if (LanBoxShape() != "hosts") return items;
    std::istringstream in(Env(variable));
    for (std::string item; in >> item;) items.push_back(item);
    return items;
}

}  // namespace

std::vector<std::string> LanBoxAddresses() { return HostsBoxList("LANBOX_ADDRS"); }

std::vector<std::string> LanBoxHost1Addresses() { return HostsBoxList("LANBOX_HOST1_ADDRS"); }

bool RoutedLanBox() { return LanBoxShape() == "hosts" && Env("LANBOX_LAYOUT") == "routed"; }

std::vector<std::string> LanBoxSegments() {
    return RoutedLanBox() ? HostsBoxList("LANBOX_SEGMENTS") : std::vector<std::string>{};
}

std::string DevsimPath() {
    std::string path = Env("LANVARO_DEVSIM");
    if (!path.empty()) return path;
#ifdef LANVARO_DEVSIM_PATH
    return LANVARO_DEVSIM_PATH;
#else
    return "lanvaro-devsim";
#endif
}

std::string LanboxScriptPath() {
    std::string path = Env("LANBOX_SCRIPT");
    if (!path.empty()) return path;
#ifdef LANVARO_LANBOX_PATH
    return LANVARO_LANBOX_PATH;
#else
    return "scripts/lanbox";
#endif
}

DevsimProcess::DevsimProcess(std::vector<std::string> args, int host) : args_(std::move(args)), host_(host) {}

bool DevsimProcess::Start(std::chrono::milliseconds timeout) {
    const std::string ready = dir_.File("ready");
    std::vector<std::string> argv;
    if (host_ > 0) argv = {"/bin/bash", LanboxScriptPath(), "exec", std::to_string(host_), "--"};
    argv.push_back(DevsimPath());
    argv.insert(argv.end(), args_.begin(), args_.end());
    argv.push_back("--ready-file");
    argv.push_back(ready);
    ChildOptions options;
    options.stdoutPath = StdoutPath();
    options.stderrPath = StderrPath();
    process_ = std::make_unique<ChildProcess>(argv, options);
    if (!process_->Started()) {
        error_ = process_->Error();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!WaitForFile(ready, std::chrono::milliseconds(50))) {
        if (auto status = process_->Wait(std::chrono::milliseconds(0))) {
            error_ = "devsim ended with status " + std::to_string(*status) + " before it was ready";
            for (const std::string& line : ReadLines(StderrPath())) error_ += "\n  " + line;
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            error_ = "devsim not ready in time";
            return false;
        }
    }
    return true;
}

std::optional<int> DevsimProcess::Stop() {
    if (!process_) return std::nullopt;
    return process_->Stop();
}
