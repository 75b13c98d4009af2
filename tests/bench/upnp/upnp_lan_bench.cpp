// SPDX-License-Identifier: GPL-3.0-or-later
// 50 simulated UPnP cameras in a LAN box: how long the engine's search takes
// and how many cameras it finds, beside a plain GSSDP root-device browser
// listening as long. Prints figures; asserts nothing about time.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <libgssdp/gssdp.h>

#include "tests/bench/median.h"
#include "tests/bench/search/reference_runs.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "tools/devsim/upnp_camera.h"
#include "upnp/device_facts.h"
#include "upnp/port_forward_engine.h"
#include "upnp/search_schedule.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kCameras = 50;
constexpr int kRuns = 3;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct EngineRun {
    double signalledMs = 0;
    std::size_t found = 0;
};

bool RunEngine(EngineRun& run) {
    FakeWindow window;
    CPortForwardEngine engine;
    const auto start = Clock::now();
    if (!engine.StartSearch(&window)) return false;
    if (!engine.m_hSearchEvent->WaitFor(milliseconds(10000))) return false;
    run.signalledMs = Ms(Clock::now() - start);
    run.found = engine.m_Devices.size();
    return true;
}

}  // namespace

int main() {
    RequireLanBox();
    setvbuf(stdout, nullptr, _IOLBF, 0);

    std::size_t expected = 0;
    for (const auto& camera : GenerateUpnpCameras(kCameras)) expected += IsKeptManufacturer(camera.maker) ? 1 : 0;

    DevsimProcess devsim({"--no-udp", "--upnp-count", std::to_string(kCameras)});
    if (!devsim.Start()) {
        std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
        return 1;
    }
    const upnp_search::Schedule schedule;
    const milliseconds window = schedule.ListenEnd() + schedule.descriptionAllowance;

    std::vector<double> engineMs, referenceMs;
    std::vector<double> engineFound, referenceFound;
    for (int i = 1; i <= kRuns; ++i) {
        EngineRun engine;
        ReferenceRun reference;
        if (!RunEngine(engine) || !RunGssdpBrowser("lo", upnp_search::kMxSeconds, window, reference)) {
            std::fprintf(stderr, "run %d failed\n", i);
            return 1;
        }
        std::printf(
            "run %d: engine %zu/%zu kept cameras, complete after %.0f ms; reference %zu/%d USNs in %lld ms, "
            "last new one after %.0f ms\n",
            i, engine.found, expected, engine.signalledMs, reference.found, kCameras,
            static_cast<long long>(window.count()), reference.ms);
        engineMs.push_back(engine.signalledMs);
        referenceMs.push_back(reference.ms);
        engineFound.push_back(static_cast<double>(engine.found) / static_cast<double>(expected));
        referenceFound.push_back(static_cast<double>(reference.found) / kCameras);
    }

    const double eMs = Median(engineMs), rMs = Median(referenceMs);
    const double eFound = Median(engineFound), rFound = Median(referenceFound);
    std::printf("upnp bench, %d cameras (%zu AXIS/Vivotek), median of %d runs:\n", kCameras, expected, kRuns);
    std::printf("  engine:    %.0f ms to a complete m_Devices, %.0f%% of kept cameras found\n", eMs, eFound * 100);
    std::printf("  reference: last new USN after %.0f ms (window %lld ms), %.0f%% of cameras heard\n", rMs,
                static_cast<long long>(window.count()), rFound * 100);
    std::printf("  ratio engine/reference: time %.2f, found %.2f\n", rMs > 0 ? eMs / rMs : 0.0,
                rFound > 0 ? eFound / rFound : 0.0);
    return 0;
}
