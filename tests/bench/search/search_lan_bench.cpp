// SPDX-License-Identifier: GPL-3.0-or-later
// The whole search against one simulated network of 2,000 protocol devices,
// 50 UPnP cameras (34 of them AXIS or Vivotek) and 100 ONVIF cameras: each
// part's time and count beside its reference, the ALL search as the window
// runs it, and the same on a lossy link (devsim --loss 10). Prints figures;
// asserts nothing about time.

#include <chrono>
#include <clocale>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/main_form_logic.h"
#include "onvif/onvif_engine.h"
#include "onvif/onvif_rows.h"
#include "tests/bench/median.h"
#include "tests/bench/search/reference_runs.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "tools/devsim/upnp_camera.h"
#include "upnp/device_facts.h"
#include "upnp/port_forward_engine.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int kDevices = 2000;
constexpr int kUpnpCameras = 50;
constexpr int kOnvifCameras = 100;
constexpr int kRuns = 3;
constexpr int kLossRuns = 10;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

struct PartRun {
    double ms = 0;
    int found = 0;
};

bool RunUpnp(PartRun& run) {
    FakeWindow window;
    CPortForwardEngine engine;
    const auto start = Clock::now();
    if (!engine.StartSearch(&window) || !engine.m_hSearchEvent->WaitFor(milliseconds(10000))) return false;
    run.ms = Ms(Clock::now() - start);
    run.found = static_cast<int>(engine.m_Devices.size());
    return true;
}

bool RunOnvif(PartRun& run) {
    COnvifEngine engine;
    const auto start = Clock::now();
    if (!engine.StartSearch() || !engine.m_hSearchEvent->WaitFor(milliseconds(10000))) return false;
    run.ms = Ms(Clock::now() - start);
    for (const OnvifDeviceInfo& device : engine.m_Devices) {
        std::string problem;
        if (OnvifDeviceRecord(device, problem)) ++run.found;
    }
    return true;
}

struct AllRun {
    double ms = 0;         // button press to label and button given back
    double packageMs = 0;  // the package part, as the report times it
    int packages = 0;
    int upnp = 0;
    int onvif = 0;
};

bool RunAll(AllRun& run) {
    FakeWindow form;
    MainFormLogic logic(form);
    logic.FormCreate({114, 125, 180, 103, 29, 98, 153});
    form.proj = "ALL";
    const auto start = Clock::now();
    logic.Button1Click();
    if (!form.RunUntil([&] { return !logic.Searching(); }, std::chrono::seconds(30))) return false;
    run.ms = Ms(Clock::now() - start);
    const SearchReport& report = logic.LastReport();
    for (const PartTime& part : report.parts)
        if (part.part == "package search") run.packageMs = part.seconds * 1000;
    run.packages = report.replies.devices;
    run.upnp = report.upnp.kept;
    run.onvif = report.onvif ? report.onvif->devices : 0;
    return true;
}

double Ratio(double a, double b) { return b > 0 ? a / b : 0; }

std::vector<double> Column(const std::vector<PartRun>& runs, double PartRun::*field) {
    std::vector<double> values;
    for (const PartRun& run : runs) values.push_back(run.*field);
    return values;
}

std::vector<double> Found(const std::vector<PartRun>& runs) {
    std::vector<double> values;
    for (const PartRun& run : runs) values.push_back(run.found);
    return values;
}

}  // namespace

int main() {
    RequireLanBox();
    std::setlocale(LC_ALL, "C.UTF-8");
    setvbuf(stdout, nullptr, _IOLBF, 0);

    int kept = 0;
    for (const auto& camera : GenerateUpnpCameras(kUpnpCameras)) kept += IsKeptManufacturer(camera.maker) ? 1 : 0;
    const std::vector<std::string> network = {"--count",      std::to_string(kDevices),
                                              "--upnp-count", std::to_string(kUpnpCameras),
                                              "--onvif",      std::to_string(kOnvifCameras)};
    TempDir files;
    const bool haveNmap = std::ifstream(kNmapPath).good();
    {
        DevsimProcess devsim(network);
        if (!devsim.Start()) {
            std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
            return 1;
        }
        const upnp_search::Schedule schedule;
        std::vector<PartRun> upnp, onvif, gssdp, nmap;
        std::vector<double> allMs, packageMs, packagesFound;
        int allComplete = 0;
        for (int i = 1; i <= kRuns; ++i) {
            PartRun u, o;
            ReferenceRun g, n;
            AllRun all;
            if (!RunUpnp(u) || !RunOnvif(o) || !RunAll(all)) {
                std::fprintf(stderr, "run %d: a search did not end\n", i);
                return 1;
            }
            if (!RunGssdpBrowser("lo", schedule.mxSeconds, schedule.ListenEnd() + schedule.descriptionAllowance, g)) {
                std::fprintf(stderr, "run %d: GSSDP browser failed\n", i);
                return 1;
            }
            upnp.push_back(u);
            onvif.push_back(o);
            gssdp.push_back({g.ms, static_cast<int>(g.found)});
            if (haveNmap && RunNmapWsdd("lo", files.Path(), n)) nmap.push_back({n.ms, static_cast<int>(n.found)});
            allMs.push_back(all.ms);
            packageMs.push_back(all.packageMs);
            packagesFound.push_back(all.packages);
            const bool complete = all.packages == kDevices && all.upnp == kept && all.onvif == kOnvifCameras;
            allComplete += complete ? 1 : 0;
            std::printf(
                "run %d: ALL %.0f ms (%d/%d, %d/%d, %d/%d)%s; UPnP %d/%d in %.0f ms, browser's last new %.0f "
                "ms; ONVIF %d/%d in %.0f ms%s\n",
                i, all.ms, all.packages, kDevices, all.upnp, kept, all.onvif, kOnvifCameras,
                complete ? "" : " INCOMPLETE", u.found, kept, u.ms, g.ms, o.found, kOnvifCameras, o.ms,
                nmap.size() == static_cast<std::size_t>(i)
                    ? (", nmap " + std::to_string(n.found) + " in " + std::to_string(static_cast<int>(n.ms)) + " ms")
                          .c_str()
                    : "");
        }
        std::printf("search bench, median of %d runs:\n", kRuns);
        std::printf("  %-10s %7s %9s   %-34s %7s %9s   %s\n", "part", "ms", "found", "reference", "ms", "found",
                    "ratio time, found");
        std::printf("  %-10s %7.0f %5.0f/%-4d   %-34s %7.0f %9s   %.2f\n", "protocol", Median(packageMs),
                    Median(packagesFound), kDevices, "floor: 2 cycles x 250 ms quiet", 500.0, "-",
                    Median(packageMs) / 500.0);
        const double uMs = Median(Column(upnp, &PartRun::ms)), gMs = Median(Column(gssdp, &PartRun::ms));
        std::printf("  %-10s %7.0f %5.0f/%-4d   %-34s %7.0f %5.0f/%-4d   %.2f, %.2f\n", "UPnP", uMs,
                    Median(Found(upnp)), kept, "GSSDP browser, last new answer", gMs, Median(Found(gssdp)),
                    kUpnpCameras, Ratio(uMs, gMs),
                    Ratio(Median(Found(upnp)) / kept, Median(Found(gssdp)) / kUpnpCameras));
        const double oMs = Median(Column(onvif, &PartRun::ms));
        if (!nmap.empty()) {
            const double nMs = Median(Column(nmap, &PartRun::ms));
            std::printf("  %-10s %7.0f %5.0f/%-4d   %-34s %7.0f %5.0f/%-4d   %.2f, %.2f\n", "ONVIF", oMs,
                        Median(Found(onvif)), kOnvifCameras, "nmap broadcast-wsdd-discover", nMs, Median(Found(nmap)),
                        kOnvifCameras, Ratio(oMs, nMs), Ratio(Median(Found(onvif)), Median(Found(nmap))));
        } else {
            std::printf("  %-10s %7.0f %5.0f/%-4d   nmap not installed (scripts/install-deps)\n", "ONVIF", oMs,
                        Median(Found(onvif)), kOnvifCameras);
        }
        std::printf("  ALL search: %.0f ms to label and button given back; complete in %d of %d runs\n", Median(allMs),
                    allComplete, kRuns);
    }
    {
        std::vector<std::string> lossy = network;
        lossy.insert(lossy.end(), {"--loss", "10"});
        DevsimProcess devsim(lossy);
        if (!devsim.Start()) {
            std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
            return 1;
        }
        int upnpComplete = 0, onvifComplete = 0;
        std::vector<double> share, allMs;
        for (int i = 1; i <= kLossRuns; ++i) {
            AllRun all;
            if (!RunAll(all)) {
                std::fprintf(stderr, "lossy run %d: the search did not end\n", i);
                return 1;
            }
            upnpComplete += all.upnp == kept ? 1 : 0;
            onvifComplete += all.onvif == kOnvifCameras ? 1 : 0;
            share.push_back(100.0 * all.packages / kDevices);
            allMs.push_back(all.ms);
        }
        std::printf(
            "at 10%% loss, %d ALL searches (median %.0f ms): UPnP found all %d in %d, ONVIF all %d in %d; "
            "protocol devices found %.1f%% (median; the protocol sends its query twice)\n",
            kLossRuns, Median(allMs), kept, upnpComplete, kOnvifCameras, onvifComplete, Median(share));
    }
    return 0;
}
