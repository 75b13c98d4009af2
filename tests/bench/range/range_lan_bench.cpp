// SPDX-License-Identifier: GPL-3.0-or-later
// Address Range searches of a site behind a router. Prints figures; asserts
// nothing about time.
//
//   range_lan_bench          (scripts/lanbox routed --hosts 2) a /24 with 65
//                            devices: five whole searches, then the ONVIF part
//                            beside nmap's unicast wsdd-discover on the same /24
//   range_lan_bench --wide   (scripts/lanbox routed --segments 2) the window
//                            searching 198.18.0.0/16 with 20 devices in it, at
//                            50,000 and at 10,000 datagrams a second: time,
//                            devices found, resident memory beside the idle
//                            window, the window thread's longest stall

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "tests/bench/endurance/process_figures.h"
#include "tests/bench/median.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

struct Run {
    double seconds = 0;
    int rows = 0;
};

// One search as the window's button starts it, without a window.
Run SearchOnce(const std::string& ranges, const std::string& filter) {
    FakeWindow form;
    MainFormLogic logic(form);
    logic.FormCreate({});
    form.proj = filter;
    form.method = SearchMethod::AddressRange;
    form.addressRange = ranges;
    const auto start = Clock::now();
    logic.Button1Click();
    form.RunUntil([&] { return !logic.Searching(); }, 60s);
    return {Seconds(Clock::now() - start), form.label1Caption == "0 device(s) found!" ? 0 : form.RowCount() - 1};
}

// nmap's unicast WS-Discovery script over the range; cameras by their XAddrs.
Run Nmap(const std::string& range, const std::string& dir) {
    const std::string out = dir + "/nmap.out";
    const auto start = Clock::now();
    ChildProcess nmap({"/usr/bin/nmap", "-n", "-sU", "-p", "3702", "--script", "wsdd-discover", range},
                      {{}, out, dir + "/nmap.err"});
    const auto status = nmap.Wait(300s);
    Run run{Seconds(Clock::now() - start), -1};
    if (!status || *status != 0) return run;
    std::ifstream in(out);
    std::set<std::string> cameras;
    for (std::string line; std::getline(in, line);)
        if (const std::size_t at = line.find("Address: "); at != std::string::npos) cameras.insert(line.substr(at));
    run.rows = static_cast<int>(cameras.size());
    return run;
}

// A site of devsim on a host behind the router; false (said) when it did not start.
bool StartSite(DevsimProcess& site) {
    if (site.Start(20s)) return true;
    std::fprintf(stderr, "devsim: %s\n", site.Error().c_str());
    return false;
}

int Slash24() {
    DevsimProcess site({"--device-net", "203.0.113", "--count", "50", "--onvif", "10", "--upnp-count", "5",
                        "--own-addresses", "--duration", "900"},
                       2);
    if (!StartSite(site)) return 1;
    // 50 devices, 10 ONVIF cameras, the AXIS and Vivotek four of the five UPnP ones.
    std::vector<double> times;
    for (int n = 1; n <= 5; ++n) {
        const Run run = SearchOnce("203.0.113.0/24", "ALL");
        times.push_back(run.seconds);
        std::printf("/24 search %d: %.3f s, %d of 64 rows\n", n, run.seconds, run.rows);
    }
    std::printf("/24 with 65 devices: median %.3f s, longest %.3f s (the local UPnP search beside it lasts 1.5 s)\n",
                Median(times), *std::max_element(times.begin(), times.end()));

    const Run ours = SearchOnce("203.0.113.0/24", "ONVIF");
    TempDir dir;
    const Run nmap = Nmap("203.0.113.0/24", dir.Path());
    std::printf(
        "ONVIF cameras of the /24: ours %d in %.3f s, nmap wsdd-discover %d in %.3f s (ours takes %.1f %% "
        "of its time)\n",
        ours.rows, ours.seconds, nmap.rows, nmap.seconds, 100.0 * ours.seconds / nmap.seconds);
    return 0;
}

int Slash16(int argc, char** argv) {
    // 10 devices, 6 ONVIF and 4 UPnP cameras in 198.18.0.0/24, the rest of the /16 empty.
    DevsimProcess site({"--device-net", "198.18.0", "--count", "10", "--onvif", "6", "--upnp-count", "4",
                        "--own-addresses", "--duration", "900"},
                       3);
    if (!StartSite(site)) return 1;
    QApplication app(argc, argv);
    TMainForm form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    QTest::qWait(1000);
    const double idle = ReadProcessFigures().residentMb;

    // A 5 ms timer that fires late shows the window thread was busy.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.elapsed();
    qint64 longestStall = 0;
    double mostResident = 0;
    int tick = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestStall = std::max(longestStall, now - lastTick - 5);
        lastTick = now;
        if (++tick % 20 == 0) mostResident = std::max(mostResident, ReadProcessFigures().residentMb);
    });
    form.RangeRadioButton->setChecked(true);
    form.SetAddressRangeItems({});
    form.RangeBox->setEditText(QStringLiteral("198.18.0.0/16"));
    for (const int rate : {50000, 10000}) {
        form.Logic().SetRangeRate(rate);
        longestStall = 0;
        mostResident = 0;
        lastTick = clock.elapsed();
        probe.start(5);
        const auto start = Clock::now();
        form.Button1->click();
        const auto deadline = start + 180s;
        while (form.Logic().Searching() && Clock::now() < deadline) QTest::qWait(5);
        const double took = Seconds(Clock::now() - start);
        probe.stop();
        const SearchReport& report = form.Logic().LastReport();
        const int rows = form.RowCount() - 1;
        const int skipped = static_cast<int>(report.upnp.skipped.size());
        std::printf(
            "/16 at %d datagrams a second: %.2f s (%lld addresses, %lld datagrams), %d of 20 devices answered "
            "(%d rows, %d UPnP skipped by maker), resident memory %.1f MB at most, %.1f MB over the idle "
            "window's %.1f MB, longest stall of the window thread %lld ms\n",
            rate, took, report.range ? report.range->addresses : 0, report.range ? report.range->datagrams : 0,
            rows + skipped, rows, skipped, mostResident, mostResident - idle, idle,
            static_cast<long long>(longestStall));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    RequireLanBox();
    std::setlocale(LC_ALL, "C.UTF-8");
    setvbuf(stdout, nullptr, _IOLBF, 0);
    if (!RoutedLanBox()) {
        std::fprintf(stderr, "needs a routed box (scripts/lanbox routed)\n");
        return NotRunExitCode();
    }
    const bool wide = argc > 1 && std::strcmp(argv[1], "--wide") == 0;
    return wide ? Slash16(argc, argv) : Slash24();
}
