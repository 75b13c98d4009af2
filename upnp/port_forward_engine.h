#pragma once
// Finds UPnP root devices on a thread of its own and keeps those made by
// AXIS or Vivotek. The end of a search is announced by m_hSearchEvent alone.

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "protocol/device_information_container.h"
#include "upnp/manual_reset_event.h"

class WindowOps;

class CPortForwardEngine {
public:
    CPortForwardEngine();
    CPortForwardEngine(const CPortForwardEngine&) = delete;
    CPortForwardEngine& operator=(const CPortForwardEngine&) = delete;
    // Waits for a running search thread, then drops the pending event.
    virtual ~CPortForwardEngine();

    // Starts a search on a new thread. Refused (false, nothing changed) while
    // a search is still listening or when hWnd is null.
    bool StartSearch(WindowOps* hWnd);

    // True from a successful StartSearch until the collector has closed the
    // event: the window must not close meanwhile.
    bool SearchPending() const { return m_hSearchEvent != nullptr; }

    // Busy flag: true while the search thread runs.
    bool Busy() const { return m_hThreadRunning.load(); }

    // True unless a search thread is still filling m_Devices; after the
    // completion event the list stays as it is until the next search.
    bool DevicesReady() const { return !m_DevicesFilling.load(); }

    // Test seam: how long one search listens for devices.
    void SetSearchWindow(std::chrono::milliseconds window) { searchWindow_ = window; }

    std::thread m_hThread;
    std::atomic<bool> m_hThreadRunning{false};
    std::atomic<bool> m_DevicesFilling{false};
    WindowOps* m_hWnd = nullptr;
    std::vector<DeviceInformationContainer> m_Devices;
    // Devices that answered but are of another maker; read like m_Devices.
    std::vector<DeviceInformationContainer> m_SkippedDevices;
    // Written on the window thread only (StartSearch, the collector's close).
    std::shared_ptr<ManualResetEvent> m_hSearchEvent;

private:
    static void SearchThreadProc(CPortForwardEngine* engine, std::shared_ptr<ManualResetEvent> event,
                                 std::chrono::milliseconds listenWindow);
    // Listening for answers; the search may run a description allowance
    // longer (see search_schedule.h).
    std::chrono::milliseconds searchWindow_{2200};
};

// True when a maker text marks a device the engine keeps.
bool IsKeptManufacturer(const std::string& manufacturerName);
