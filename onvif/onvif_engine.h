// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the ONVIF (WS-Discovery) part of a search on a thread of its own.
// Shaped like the UPnP engine: the end of a search is announced by
// m_hSearchEvent, which the window thread's collector closes.

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "onvif/wsd_search.h"
#include "protocol/onvif_device_info.h"
#include "upnp/manual_reset_event.h"

class COnvifEngine {
public:
    COnvifEngine() = default;
    COnvifEngine(const COnvifEngine&) = delete;
    COnvifEngine& operator=(const COnvifEngine&) = delete;
    // Cuts a running search short and waits for its thread.
    ~COnvifEngine();

    // Starts a search on a new thread; refused (false, nothing changed) while
    // one is still listening.
    bool StartSearch();

    // True from a successful StartSearch until the collector has closed the
    // event: the window must not close meanwhile.
    bool SearchPending() const { return m_hSearchEvent != nullptr; }
    // False while a search thread fills m_Devices.
    bool DevicesReady() const { return !filling_.load(); }

    // Joins what another search heard (a range search's unicast probes) with
    // the last search's devices, one per endpoint, the first heard kept;
    // window thread, once the event is set.
    void AddDevices(std::vector<OnvifDeviceInfo> devices, const WsdCounts& counts, std::vector<std::string> log);

    // Test seam: when the rounds of probes go and how long answers are taken.
    void SetTimings(const WsdSearchTimings& timings) { timings_ = timings; }

    // The last search's devices and diagnostic lines; read on the window
    // thread once the event is set.
    std::vector<OnvifDeviceInfo> m_Devices;
    std::vector<std::string> m_Log;
    WsdCounts m_Counts;
    // Written on the window thread only (StartSearch, the collector's close).
    std::shared_ptr<ManualResetEvent> m_hSearchEvent;

private:
    std::thread thread_;
    std::atomic<bool> filling_{false};
    std::atomic<bool> cancel_{false};
    WsdSearchTimings timings_;
};
