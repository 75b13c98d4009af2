// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The socket side of an Address Range search: every address of the ranges
// is asked by unicast, from one socket per kind, for each kind of camera
// service (the device protocol's query, the two WS-Discovery Probes, an
// M-SEARCH), twice, at a bounded rate; then the answers are listened for a
// little longer. Hosts that refused every kind with an ICMP port
// unreachable and answered nothing are up without a camera service.
// Blocking; runs on the search worker. No Qt, no GUPnP.

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/package_search.h"
#include "app/range_pacing.h"
#include "onvif/wsd_collector.h"
#include "protocol/address_range.h"
#include "protocol/onvif_device_info.h"
#include "upnp/ssdp_message.h"

struct RangeSearchPlan {
    std::vector<RangeTarget> targets;
    bool deviceQuery = true;  // the device protocol's query, to UDP 6666
    bool probes = false;      // WS-Discovery, to UDP 3702
    bool mSearch = false;     // SSDP, to UDP 1900
    int rate = kDefaultRangeRate;
    int onLinkPerSecond = 256;
    int rounds = 2;
    // Unicast searches are answered within a second (WS-Discovery delays
    // only answers to a multicast Probe).
    std::chrono::milliseconds listen{1100};
};

// What the worker learned, handed to the window thread at the end.
struct RangeFindings {
    long long addresses = 0;  // probed
    long long onLinkAddresses = 0;
    long long datagrams = 0;  // sent
    long long failedSends = 0;
    int slowdowns = 0;  // sends refused for want of room, sent again later
    int rounds = 0;     // sent through completely
    bool stopped = false;
    double sendingSeconds = 0;
    // Dotted, in ascending order.
    std::vector<std::string> upWithoutService;
    std::vector<OnvifDeviceInfo> onvifDevices;
    WsdCounts onvifCounts;
    std::vector<std::string> onvifLog;
    int rootDeviceAnswers = 0;
};

struct RangeSinks {
    DecodedSink packages;
    // A root device's answer to an M-SEARCH, for the UPnP part to describe.
    std::function<void(SsdpSearchAnswer)> rootDevice;
    // Datagrams sent so far of all to send; called now and then, and at the end.
    std::function<void(long long sent, long long total)> progress;
};

// The datagrams a plan sends in all.
long long RangeDatagrams(const RangeSearchPlan& plan);

// Returns once the listening after the last send is over, or soon after
// `cancel` is set (what came in until then is kept). Reply-port facts go to
// `facts` as for the UDP search.
RangeFindings RunRangeSearch(WindowOps& form, const RangeSearchPlan& plan, const SearchTimings& timings,
                             const std::atomic<bool>& cancel, const RangeSinks& sinks,
                             PackageSearchFacts* facts = nullptr);
