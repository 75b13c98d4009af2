// SPDX-License-Identifier: GPL-3.0-or-later
// The real window left open: under Xvfb (started for it when no display is
// set), searching again (as F5 does) as soon as each search has ended, against 500 devices,
// 5 UPnP and 20 ONVIF cameras. Prints what the process holds after searches
// 1, 10, 100 and 300 and the longest stall of the window thread, as a 5 ms
// timer sees it. Prints figures; asserts nothing.
//
//   window_endurance_bench [SEARCHES]

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "tests/bench/endurance/process_figures.h"
#include "tests/support/lan_box.h"

namespace {

// Runs this program again under xvfb-run, which finds a free display.
int RerunUnderXvfb(char** argv) {
    std::vector<char*> args;
    std::string xvfbRun = "/usr/bin/xvfb-run", any = "-a", screen = "-s", size = "-screen 0 1280x1024x24";
    args = {xvfbRun.data(), any.data(), screen.data(), size.data()};
    for (char** a = argv; *a != nullptr; ++a) args.push_back(*a);
    args.push_back(nullptr);
    ::execv(xvfbRun.c_str(), args.data());
    std::perror("xvfb-run");
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    RequireLanBox();
    if (std::getenv("DISPLAY") == nullptr) return RerunUnderXvfb(argv);
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int searches = argc > 1 ? std::max(1, std::atoi(argv[1])) : 300;
    DevsimProcess devsim(kEnduranceSite);
    if (!StartEnduranceSite(devsim)) return 1;

    QApplication app(argc, argv);
    TMainForm form;
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }

    // A 5 ms timer that fires late shows the window thread was busy.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = clock.elapsed();
    qint64 longestStall = 0;
    bool measuring = false;
    // Where in a search each long stall fell, to tell which task holds the thread.
    struct Stall {
        qint64 ms;
        int search;
        qint64 sinceClick;
    };
    std::vector<Stall> stalls;
    int searchNo = 0;
    qint64 clickedAt = 0;
    int over16 = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        const qint64 stall = now - lastTick - 5;
        if (measuring) {
            longestStall = std::max(longestStall, stall);
            if (stall > 16) {
                ++over16;
                stalls.push_back({stall, searchNo, lastTick - clickedAt});
            }
        }
        lastTick = now;
    });
    probe.start(5);

    ProcessFigures after10;
    for (int n = 1; n <= searches; ++n) {
        // What F5 does; without a window manager the window never gets the
        // focus its shortcut needs.
        searchNo = n;
        clickedAt = clock.elapsed();
        form.Button1->click();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (form.Logic().Searching() && std::chrono::steady_clock::now() < deadline) QTest::qWait(5);
        if (form.Logic().Searching()) {
            std::fprintf(stderr, "search %d did not end\n", n);
            return 1;
        }
        // The first search warms caches and fonts; stalls count from then on.
        if (n == 1) measuring = true;
        const ProcessFigures figures = ReadProcessFigures();
        if (n == 10) after10 = figures;
        if (IsSampledSearch(n) || n == searches) {
            PrintFigures(n, figures, after10);
            std::printf("                   diagnostic log: %d lines kept\n", form.Memo1->blockCount());
        }
    }
    // 500 devices, 4 of the 5 UPnP cameras (AXIS or Vivotek), 20 ONVIF cameras.
    std::printf("rows in the last search: %d of 524\n", form.RowCount() - 1);
    std::printf("longest stall of the window thread after search 1: %lld ms\n", static_cast<long long>(longestStall));
    std::sort(stalls.begin(), stalls.end(), [](const Stall& a, const Stall& b) { return a.ms > b.ms; });
    std::printf("stalls over 16 ms: %d; the longest, with where they began:\n", over16);
    for (std::size_t i = 0; i < std::min<std::size_t>(stalls.size(), 8); ++i)
        std::printf("  %lld ms in search %d, %lld ms after its click\n", static_cast<long long>(stalls[i].ms),
                    stalls[i].search, static_cast<long long>(stalls[i].sinceClick));
    return 0;
}
