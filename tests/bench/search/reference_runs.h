// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The peers a search part is measured against, run in the same box: a plain
// GSSDP root-device browser (what gssdp-discover does) and nmap's
// broadcast-wsdd-discover script.

#include <chrono>
#include <cstddef>
#include <string>

struct ReferenceRun {
    std::size_t found = 0;
    double ms = 0;  // browser: its last new answer; nmap: its whole run
};

// Browses root devices on `iface` for `window`, counting distinct USNs.
bool RunGssdpBrowser(const std::string& iface, unsigned mxSeconds, std::chrono::milliseconds window, ReferenceRun& run);

inline constexpr const char* kNmapPath = "/usr/bin/nmap";
// nmap lists every answer it heard; a camera counts once, by its XAddrs.
// `outDir` holds nmap's output files.
bool RunNmapWsdd(const std::string& iface, const std::string& outDir, ReferenceRun& run);
