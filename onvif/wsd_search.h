// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The socket side of an ONVIF search: Probes multicast through every card,
// answers (ProbeMatches by unicast, Hellos on the group) read until the
// listening window closes. Blocking; runs on the engine's thread.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "onvif/wsd_collector.h"
#include "protocol/onvif_device_info.h"

namespace wsd {
inline constexpr const char* kMulticastGroup = "239.255.255.250";
inline constexpr unsigned short kPort = 3702;
}  // namespace wsd

// WS-Discovery's APP_MAX_DELAY: a device waits a random 0..500 ms before
// answering a multicast Probe.
inline constexpr std::chrono::milliseconds kAppMaxDelay{500};

// When the answers to a last Probe sent at `lastRound` are all in: that
// round + APP_MAX_DELAY + a margin for the network and loaded hosts.
constexpr std::chrono::milliseconds WsdListenWindow(std::chrono::milliseconds lastRound,
                                                    std::chrono::milliseconds margin) {
    return lastRound + kAppMaxDelay + margin;
}

struct WsdSearchTimings {
    // Datagrams get lost: each round probes again, with fresh message ids.
    // Early and close together, so the last answers come soon.
    std::vector<std::chrono::milliseconds> rounds{std::chrono::milliseconds(0), std::chrono::milliseconds(200),
                                                  std::chrono::milliseconds(400)};
    std::chrono::milliseconds window{WsdListenWindow(std::chrono::milliseconds(400), std::chrono::milliseconds(100))};
};

struct WsdSearchResult {
    std::vector<OnvifDeviceInfo> devices;  // one per endpoint, in order first heard
    std::vector<std::string> log;          // diagnostic lines, in order
    WsdCounts counts;
    std::vector<std::string> byes;  // endpoints that said Bye
};

// Called on the search's thread with each device once, as soon as it names
// an XAddr, so a caller may start on it before the window closes.
using WsdDeviceHeard = std::function<void(const OnvifDeviceInfo&)>;

// Returns at the end of the window, or within 50 ms once `cancel` is set.
WsdSearchResult RunWsdSearch(const WsdSearchTimings& timings, const std::atomic<bool>& cancel,
                             const WsdDeviceHeard& heard = {});
