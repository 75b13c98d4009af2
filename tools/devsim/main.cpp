// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-devsim: simulated devices and relays for tests and demos. It sends
// real datagrams, so it only runs inside a LAN box (scripts/lanbox).

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <memory>
#include <mutex>
#include <set>

#include "tools/devsim/box_guard.h"
#include "tools/devsim/devsim_options.h"
#include "tools/devsim/service.h"
#include "tools/devsim/sim_device.h"

namespace {

constexpr int kExitUsage = 2;

std::vector<DevsimOption> CoreOptions() {
    return {
        {"--help", DevsimOptionKind::Flag, "show this text"},
        {"--check-box", DevsimOptionKind::Flag, "only check that this runs inside a LAN box (exit 0) or not (exit 3)"},
        {"--devices", DevsimOptionKind::Text, "simulated devices from FILE (eleven fields a line, '#' comments)"},
        {"--count", DevsimOptionKind::Integer, "generate N distinct devices (after those of --devices)", 0, 200000},
        {"--device-net", DevsimOptionKind::Text,
         "give the generated devices addresses in the /24 A.B.C (127.B.C, 198.51.100, 203.0.113, 198.18.C, "
         "198.19.C)"},
        {"--conflicts", DevsimOptionKind::Integer,
         "add N devices answering with one shared address (.9 of --device-net, else 198.51.100.9), distinct MACs", 0,
         4096},
        {"--overlong", DevsimOptionKind::Flag, "make the devices' text fields longer than the tool's record"},
        {"--ready-file", DevsimOptionKind::Text, "write FILE once every service listens"},
        {"--duration", DevsimOptionKind::Integer, "stop after SEC seconds (default 120)", 1, 86400},
        {"--loss", DevsimOptionKind::Integer,
         "UDP devices, UPnP and ONVIF cameras each miss PERCENT of the queries they get", 0, 100},
    };
}

// "A.B.C": three numbers of 0 to 255, so every generated address is valid.
bool IsDeviceNet(const std::string& net) {
    unsigned a = 0, b = 0, c = 0;
    char tail = 0;
    if (std::sscanf(net.c_str(), "%3u.%3u.%3u%c", &a, &b, &c, &tail) != 3 || b > 255 || c > 255) return false;
    // What a simulated device announces must never be a real network's address.
    return a == 127 || (a == 198 && b == 51 && c == 100) || (a == 203 && b == 0 && c == 113) ||
           (a == 198 && (b == 18 || b == 19));
}

std::mutex diagMutex;
void Diag(const std::string& line) {
    std::lock_guard lock(diagMutex);
    std::fprintf(stderr, "lanvaro-devsim: %s\n", line.c_str());
}

bool WriteReadyFile(const std::string& path) {
    // Written aside and renamed, so a waiting test never reads half a file.
    std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "ready " << ::getpid() << "\n";
        if (!out) return false;
    }
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}

// Waits for SIGINT/SIGTERM or the end of the duration.
void WaitForStop(const sigset_t& stopSignals, std::chrono::seconds duration) {
    const auto deadline = std::chrono::steady_clock::now() + duration;
    while (true) {
        auto left = deadline - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero()) {
            Diag("duration over, stopping");
            return;
        }
        auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        timespec timeout{
            static_cast<time_t>(seconds.count()),
            static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds).count())};
        int signal = ::sigtimedwait(&stopSignals, nullptr, &timeout);
        if (signal > 0) return;
        if (errno != EAGAIN && errno != EINTR) return;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<DevsimServiceInfo> services = RegisteredDevsimServices();
    std::vector<DevsimOption> declared = CoreOptions();
    std::set<std::string> names;
    for (const DevsimOption& option : declared) names.insert(option.name);
    for (const DevsimServiceInfo& service : services) {
        for (const DevsimOption& option : service.options) {
            // Services may share an option (--silent); the first declaration is the one shown.
            if (names.insert(option.name).second) declared.push_back(option);
        }
    }

    std::string error;
    auto options = DevsimOptions::Parse(argc, argv, declared, error);
    if (!options) {
        Diag(error + " (see --help)");
        return kExitUsage;
    }
    if (options->Flag("--help")) {
        std::cout << "usage: lanvaro-devsim [OPTIONS]   (only inside scripts/lanbox)\n" << DevsimOptionsHelp(declared);
        return 0;
    }
    if (const std::string refusal = LanBoxRefusal(); !refusal.empty()) {
        Diag("refusing to start outside a LAN box: " + refusal);
        return kOutsideLanBoxExitCode;
    }
    if (options->Flag("--check-box")) return 0;

    std::vector<SimDevice> devices;
    if (auto path = options->Text("--devices")) {
        auto loaded = LoadDeviceFile(*path, error);
        if (!loaded) {
            Diag(error);
            return kExitUsage;
        }
        devices = std::move(*loaded);
    }
    const std::string deviceNet = options->Text("--device-net").value_or("");
    if (!deviceNet.empty() && !IsDeviceNet(deviceNet)) {
        Diag("--device-net takes 127.B.C, 198.51.100, 203.0.113, 198.18.C or 198.19.C");
        return kExitUsage;
    }
    for (SimDevice& device : GenerateDevices(static_cast<int>(options->Integer("--count", 0)), deviceNet)) {
        devices.push_back(std::move(device));
    }
    for (SimDevice& device :
         GenerateConflictingDevices(static_cast<int>(options->Integer("--conflicts", 0)), deviceNet)) {
        devices.push_back(std::move(device));
    }
    if (options->Flag("--overlong")) MakeOverlong(devices);

    // Stop signals are taken by sigtimedwait only, so every thread started
    // from here on must inherit them blocked.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    DevsimContext context{*options, devices, Diag};
    std::vector<std::unique_ptr<DevsimService>> running;
    auto stopAll = [&running] {
        for (auto it = running.rbegin(); it != running.rend(); ++it) (*it)->Stop();
        running.clear();
    };
    for (const DevsimServiceInfo& info : services) {
        if (!info.enabled(*options)) continue;
        running.push_back(info.create());
        if (!running.back()->Start(context, error)) {
            Diag(info.name + ": " + error);
            stopAll();
            return 1;
        }
    }
    if (running.empty()) {
        Diag("no service enabled");
        return kExitUsage;
    }
    Diag(std::to_string(running.size()) + " service(s), " + std::to_string(devices.size()) + " device(s)");
    if (auto path = options->Text("--ready-file"); path && !WriteReadyFile(*path)) {
        Diag("cannot write ready file " + *path);
        stopAll();
        return 1;
    }
    WaitForStop(stopSignals, std::chrono::seconds(options->Integer("--duration", 120)));
    stopAll();
    return 0;
}
