// SPDX-License-Identifier: GPL-3.0-or-later
// 100 simulated ONVIF cameras in a LAN box: how many the ONVIF part finds
// and how long it takes, beside nmap's broadcast-wsdd-discover script run
// against the same cameras. Prints figures; asserts nothing about time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "onvif/onvif_engine.h"
#include "onvif/onvif_rows.h"
#include "tests/bench/median.h"
#include "tests/support/lan_box.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kCameras = 100;
constexpr int kRuns = 3;
const char* const kNmap = "/usr/bin/nmap";

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct Run {
    double ms = 0;
    std::size_t found = 0;
};

bool RunEngine(Run& run) {
    COnvifEngine engine;
    const auto start = Clock::now();
    if (!engine.StartSearch()) return false;
    if (!engine.m_hSearchEvent->WaitFor(milliseconds(10000))) return false;
    run.ms = Ms(Clock::now() - start);
    for (const OnvifDeviceInfo& device : engine.m_Devices) {
        std::string problem;
        if (OnvifDeviceRecord(device, problem)) ++run.found;
    }
    return true;
}

// nmap lists every answer it heard; a camera counts once, by its XAddrs.
bool RunNmap(const TempDir& files, Run& run) {
    const std::string out = files.File("nmap.out");
    const auto start = Clock::now();
    ChildProcess nmap({kNmap, "-n", "-e", "lo", "--script", "broadcast-wsdd-discover"},
                      {{}, out, files.File("nmap.err")});
    const auto status = nmap.Wait(milliseconds(60000));
    run.ms = Ms(Clock::now() - start);
    if (!status || *status != 0) return false;
    std::ifstream in(out);
    std::set<std::string> addresses;
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find("Address: ");
        if (at != std::string::npos) addresses.insert(line.substr(at));
    }
    run.found = addresses.size();
    return true;
}

}  // namespace

int main() {
    RequireLanBox();
    setvbuf(stdout, nullptr, _IOLBF, 0);

    DevsimProcess devsim({"--no-udp", "--onvif", std::to_string(kCameras)});
    if (!devsim.Start()) {
        std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
        return 1;
    }
    TempDir files;
    const bool haveNmap = std::ifstream(kNmap).good();
    if (!haveNmap) std::printf("nmap not installed (scripts/install-deps): reference runs skipped\n");

    std::vector<double> ms, found, nmapMs, nmapFound;
    for (int i = 1; i <= kRuns; ++i) {
        Run ours;
        if (!RunEngine(ours)) {
            std::fprintf(stderr, "run %d: the ONVIF search did not end\n", i);
            return 1;
        }
        ms.push_back(ours.ms);
        found.push_back(static_cast<double>(ours.found));
        std::printf("run %d: ONVIF part %zu/%d cameras in %.0f ms", i, ours.found, kCameras, ours.ms);
        if (haveNmap) {
            Run nmap;
            if (!RunNmap(files, nmap)) {
                std::fprintf(stderr, "\nrun %d: nmap failed\n", i);
                return 1;
            }
            nmapMs.push_back(nmap.ms);
            nmapFound.push_back(static_cast<double>(nmap.found));
            std::printf("; nmap broadcast-wsdd-discover %zu/%d in %.0f ms", nmap.found, kCameras, nmap.ms);
        }
        std::printf("\n");
    }

    std::printf("onvif bench, %d cameras, median of %d runs:\n", kCameras, kRuns);
    std::printf("  ONVIF part: %.0f/%d found, %.0f ms\n", Median(found), kCameras, Median(ms));
    if (haveNmap) {
        std::printf("  nmap:       %.0f/%d found, %.0f ms\n", Median(nmapFound), kCameras, Median(nmapMs));
        std::printf("  ratio ONVIF part/nmap: time %.2f, found %.2f\n", Median(ms) / Median(nmapMs),
                    Median(nmapFound) > 0 ? Median(found) / Median(nmapFound) : 0.0);
    }
    return 0;
}
