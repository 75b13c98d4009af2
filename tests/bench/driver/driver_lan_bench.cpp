// SPDX-License-Identifier: GPL-3.0-or-later
// Figures for a search that 2,000 devices answer at once: how many of them
// are listed, how long the search takes against the protocol's floor, and the
// longest stretch the window thread spent on one piece of the search's work.
// Prints figures; asserts nothing about time.
//
//   driver_lan_bench [DEVICES] [--receive-buffer BYTES] [--per-datagram N]
// --receive-buffer cuts each reply socket's buffer as a machine without
// privileges would (212992 on a stock Debian). Every device must be listed
// either way, up to the most a search lists. --per-datagram packs N devices
// into each answer datagram, as a relay may (paced so that none is lost):
// with more devices than a search lists, the figure is the cost of the flood.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_form_logic.h"
#include "protocol/device_index.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"

namespace {

using Clock = std::chrono::steady_clock;

// Times every task the search hands to the window thread.
class TimedWindow : public FakeWindow {
public:
    void Post(std::function<void()> task) override {
        FakeWindow::Post([this, task = std::move(task)] {
            const auto start = Clock::now();
            task();
            longestTask = std::max(longestTask, Clock::now() - start);
            ++tasks;
        });
    }
    Clock::duration longestTask{};
    int tasks = 0;
};

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Processor time of this process, every thread counted: unlike wall time it
// hardly depends on what else the machine runs.
double CpuMs() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return static_cast<double>(t.tv_sec) * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

}  // namespace

int main(int argc, char** argv) {
    RequireLanBox();
    std::setlocale(LC_ALL, "C.UTF-8");
    int devices = 2000;
    int receiveBuffer = 0;
    int perDatagram = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--receive-buffer") == 0 && i + 1 < argc) {
            receiveBuffer = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--per-datagram") == 0 && i + 1 < argc) {
            perDatagram = std::atoi(argv[++i]);
        } else {
            devices = std::atoi(argv[i]);
        }
    }

    std::vector<std::string> devsimArgs{"--count", std::to_string(devices)};
    if (perDatagram > 1) {
        for (const char* arg : {"--device-net", "198.51.100", "--pace-us", "1000"}) devsimArgs.push_back(arg);
        devsimArgs.push_back("--per-datagram");
        devsimArgs.push_back(std::to_string(perDatagram));
    }
    DevsimProcess devsim(devsimArgs);
    if (!devsim.Start()) {
        std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
        return 1;
    }

    TimedWindow form;
    MainFormLogic logic(form);
    logic.FormCreate({114, 125, 180, 103, 29, 98, 153});
    form.proj = "ALL";
    // The UPnP part runs beside the package search; keep it short so the
    // figures are about the package search.
    logic.Engine.SetSearchWindow(std::chrono::milliseconds(200));
    SearchTimings timings;
    timings.replyReceiveBuffer = receiveBuffer;
    logic.SetSearchTimings(timings);

    const double cpuStart = CpuMs();
    const auto start = Clock::now();
    Clock::time_point packageEnd{};
    logic.Button1Click();
    const auto buttonClick = Clock::now() - start;
    const bool ended = form.RunUntil(
        [&] {
            if (packageEnd == Clock::time_point{} && form.button1Caption == "Search Upnp...") packageEnd = Clock::now();
            return !logic.Searching();
        },
        std::chrono::seconds(60));
    const auto total = Clock::now() - start;
    const double cpu = CpuMs() - cpuStart;
    if (packageEnd == Clock::time_point{}) packageEnd = Clock::now();

    const int listed = form.RowCount() - 1;
    const int listable = std::min(devices, static_cast<int>(kMaxListedDevices));
    std::printf("devices answering:            %d\n", devices);
    for (const std::string& line : form.log) {
        if (line.find("receive buffer cut to") != std::string::npos) std::printf("%s\n", line.c_str());
    }
    std::printf("devices listed:               %d (%s)\n", listed, listed == listable ? "all it may" : "NOT ALL");
    std::printf("records kept:                 %zu\n", logic.ComUnitList.size());
    for (const Problem& problem : logic.LastReport().problems)
        if (problem.code == "answers-dropped" || problem.code == "too-many-answers")
            std::printf("%s\n", problem.text.c_str());
    std::printf("package search wall time:     %.0f ms (floor: %s)\n", Ms(packageEnd - start),
                "2 cycles x 250 ms quiet = 500 ms");
    std::printf("whole search incl. UPnP part: %.0f ms\n", Ms(total));
    std::printf("processor time, all threads:  %.0f ms\n", cpu);
    std::printf("window thread, button press:  %.1f ms\n", Ms(buttonClick));
    std::printf("window thread, longest task:  %.1f ms over %d tasks\n", Ms(form.longestTask), form.tasks);
    std::printf("search ended:                 %s\n", ended ? "yes" : "NO");
    return ended && listed == listable ? 0 : 1;
}
