// SPDX-License-Identifier: GPL-3.0-or-later
// Cameras that wait nearly as long as the search lets them (the MX of a
// UPnP search, WS-Discovery's APP_MAX_DELAY) before answering every query:
// the default schedules still hear them, answering the last send.

#include <atomic>
#include <chrono>
#include <string>

#include <gtest/gtest.h>

#include "onvif/wsd_search.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "upnp/port_forward_engine.h"
#include "upnp/search_schedule.h"

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kBound{10000};

TEST(LateAnswers, UpnpCamerasAnsweringAtTheEndOfTheirMxAreListed) {
    const upnp_search::Schedule schedule;
    const long long lastMoment = static_cast<long long>(schedule.mxSeconds) * 1000 - 30;
    DevsimProcess devsim({"--no-udp", "--upnp-count", "6", "--upnp-answer-delay-ms", std::to_string(lastMoment)});
    ASSERT_TRUE(devsim.Start()) << devsim.Error();

    FakeWindow window;
    CPortForwardEngine engine;
    ASSERT_TRUE(engine.StartSearch(&window));
    ASSERT_TRUE(engine.m_hSearchEvent->WaitFor(kBound));
    // Of six generated cameras four are AXIS or Vivotek.
    EXPECT_EQ(engine.m_Devices.size(), 4u);
    EXPECT_EQ(engine.m_SkippedDevices.size(), 2u);
}

TEST(LateAnswers, OnvifCamerasAnsweringAtTheEndOfAppMaxDelayAreListed) {
    const long long lastMoment = kAppMaxDelay.count() - 20;
    DevsimProcess devsim({"--no-udp", "--onvif", "10", "--onvif-answer-delay-ms", std::to_string(lastMoment)});
    ASSERT_TRUE(devsim.Start()) << devsim.Error();

    const std::atomic<bool> cancel{false};
    const WsdSearchResult result = RunWsdSearch(WsdSearchTimings{}, cancel);
    EXPECT_EQ(result.devices.size(), 10u);
}

}  // namespace
