// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a long-running process holds: resident memory, open descriptors and
// threads, read from /proc for this process.

#include <dirent.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/lan_box.h"

// The site both endurance runs search, started for the run: 500 devices, 5
// UPnP and 20 ONVIF cameras. False (said on stderr) when devsim did not start.
inline bool StartEnduranceSite(DevsimProcess& devsim) {
    if (devsim.Start()) return true;
    std::fprintf(stderr, "devsim: %s\n", devsim.Error().c_str());
    return false;
}
inline const std::vector<std::string> kEnduranceSite{"--count", "500", "--upnp-count", "5",
                                                     "--onvif", "20",  "--duration",   "7200"};

struct ProcessFigures {
    double residentMb = 0;
    int descriptors = 0;
    int threads = 0;
};

inline ProcessFigures ReadProcessFigures() {
    ProcessFigures figures;
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) figures.residentMb = std::stod(line.substr(6)) / 1024.0;
        if (line.rfind("Threads:", 0) == 0) figures.threads = std::stoi(line.substr(8));
    }
    if (DIR* fds = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(fds)) {
            if (entry->d_name[0] != '.') ++figures.descriptors;
        }
        ::closedir(fds);
        --figures.descriptors;  // the directory being read
    }
    return figures;
}

// The searches after which the figures are printed.
inline bool IsSampledSearch(int n) { return n == 1 || n == 10 || n == 100 || n == 300 || n % 1000 == 0; }

inline void PrintFigures(int search, const ProcessFigures& f, const ProcessFigures& after10) {
    std::printf("after search %4d: resident %.1f MB (%+.2f MB since search 10), %d descriptors, %d threads\n", search,
                f.residentMb, search >= 10 ? f.residentMb - after10.residentMb : 0.0, f.descriptors, f.threads);
}
