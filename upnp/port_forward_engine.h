// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finds UPnP root devices on a thread of its own and keeps those made by
// AXIS or Vivotek. The end of a search is announced by m_hSearchEvent alone.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "protocol/device_information_container.h"
#include "upnp/manual_reset_event.h"
#include "upnp/range_answer_feed.h"
#include "upnp/search_cards.h"
#include "upnp/search_schedule.h"

class WindowOps;

class CPortForwardEngine {
public:
    CPortForwardEngine();
    CPortForwardEngine(const CPortForwardEngine&) = delete;
    CPortForwardEngine& operator=(const CPortForwardEngine&) = delete;
    // Waits for a running search thread, then drops the pending event.
    virtual ~CPortForwardEngine();

    // Starts a search on a new thread. Refused (false, nothing changed) while
    // a search is still listening or when hWnd is null. With a feed, the
    // search also reads the descriptions of the answers a range search hands
    // it, and goes on until the feed is closed.
    bool StartSearch(WindowOps* hWnd, std::shared_ptr<RangeAnswerFeed> rangeFeed = nullptr);

    // True from a successful StartSearch until the collector has closed the
    // event: the window must not close meanwhile.
    bool SearchPending() const { return m_hSearchEvent != nullptr; }

    // Busy flag: true while the search thread runs.
    bool Busy() const { return m_hThreadRunning.load(); }

    // True unless a search thread is still filling m_Devices; after the
    // completion event the list stays as it is until the next search.
    bool DevicesReady() const { return !m_DevicesFilling.load(); }

    // Test seam: how long one search listens for devices (instead of the
    // schedule's last send + MX + margin).
    void SetSearchWindow(std::chrono::milliseconds window) { searchWindow_ = window; }
    void SetSchedule(const upnp_search::Schedule& schedule) { schedule_ = schedule; }
    // Test seam: called before each attempt to open a card's context; a
    // text fails that attempt with it as the reason.
    using CardFault = std::function<std::optional<std::string>(const std::string& card, int attempt)>;
    void SetCardFault(CardFault fault) { cardFault_ = std::move(fault); }

    std::thread m_hThread;
    std::atomic<bool> m_hThreadRunning{false};
    std::atomic<bool> m_DevicesFilling{false};
    WindowOps* m_hWnd = nullptr;
    std::vector<DeviceInformationContainer> m_Devices;
    // Devices that answered but are of another maker; read like m_Devices.
    std::vector<DeviceInformationContainer> m_SkippedDevices;
    // Cards the last search could not use, read like m_Devices.
    std::vector<FailedCard> m_FailedCards;
    // Written on the window thread only (StartSearch, the collector's close).
    std::shared_ptr<ManualResetEvent> m_hSearchEvent;

private:
    static void SearchThreadProc(CPortForwardEngine* engine, std::shared_ptr<ManualResetEvent> event,
                                 upnp_search::Schedule schedule, std::chrono::milliseconds listenWindow,
                                 CardFault cardFault, std::shared_ptr<RangeAnswerFeed> rangeFeed);
    upnp_search::Schedule schedule_;
    std::optional<std::chrono::milliseconds> searchWindow_;
    CardFault cardFault_;
};

// True when a maker text marks a device the engine keeps.
bool IsKeptManufacturer(const std::string& manufacturerName);
