// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_restart_watch.h"

#include <algorithm>
#include <thread>

#include "onvif/device_client.h"
#include "onvif/wsd_search.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

bool AnswersAt(const OnvifDeviceInfo& device, const std::string& host) {
    return std::any_of(device.xaddrs.begin(), device.xaddrs.end(),
                       [&](const std::string& xaddr) { return OnvifXaddrHost(xaddr) == host; });
}

}  // namespace

std::optional<double> WatchCameraRestart(const std::string& xaddr, const std::string& endpoint,
                                         Clock::time_point sentAt, std::chrono::seconds limit,
                                         const std::atomic<bool>& cancel) {
    const auto deadline = sentAt + limit;
    bool gone = false;
    WsdSearchTimings listen;  // no Probe: the group's traffic only, for a Bye
    listen.rounds = {};
    listen.window = 250ms;
    for (int poll = 0; poll < 100000 && !gone && !cancel && Clock::now() < deadline; ++poll) {
        OnvifDeviceClient client(xaddr);
        OnvifDeviceFacts facts;
        const OnvifCallResult result = client.ReadPublicFacts(facts);
        gone = result.status == OnvifCallStatus::NoService || result.status == OnvifCallStatus::Failed;
        if (gone || endpoint.empty()) {
            if (!gone) std::this_thread::sleep_for(200ms);
            continue;
        }
        const std::vector<std::string> byes = RunWsdSearch(listen, cancel).byes;
        gone = std::find(byes.begin(), byes.end(), endpoint) != byes.end();
    }
    if (!gone) return std::nullopt;
    const std::string host = OnvifXaddrHost(xaddr);
    WsdSearchTimings timings;
    timings.rounds = {0ms};
    timings.window = WsdListenWindow(0ms, 100ms);
    for (int round = 0; round < 100000 && !cancel && Clock::now() < deadline; ++round)
        for (const OnvifDeviceInfo& device : RunWsdSearch(timings, cancel).devices)
            if (endpoint.empty() ? AnswersAt(device, host) : device.endpoint == endpoint)
                return std::chrono::duration<double>(Clock::now() - sentAt).count();
    return std::nullopt;
}
