// SPDX-License-Identifier: GPL-3.0-or-later
// The engine on a box of several hosts: cameras on other hosts, and one
// camera reachable through two network cards of the searching host.

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "upnp/port_forward_engine.h"

namespace {

using std::chrono::milliseconds;

std::vector<DeviceInformationContainer> SearchOnce() {
    FakeWindow window;
    CPortForwardEngine engine;
    EXPECT_TRUE(engine.StartSearch(&window));
    // Four times the 2.5 s a search takes at most: beyond that it hangs.
    EXPECT_TRUE(engine.m_hSearchEvent->WaitFor(milliseconds(10000)));
    return engine.m_Devices;
}

class UpnpHostsTest : public testing::Test {
protected:
    void SetUp() override {
        addresses_ = LanBoxAddresses();
        ASSERT_GE(addresses_.size(), 2u) << "needs: scripts/lanbox hosts 2";
        ASSERT_TRUE(WriteFile(dir_.File("cams.txt"),
                              "maker=AXIS;name=Gate;description=Gate camera;udn=uuid:hosts-axis;icon=gif;"
                              "presentation=http://198.51.100.90/\n"
                              "maker=Vivotek Inc.;name=Hall (1);udn=uuid:hosts-vivotek;"
                              "presentation=http://198.51.100.91/\n"));
    }

    TempDir dir_;
    std::vector<std::string> addresses_;
};

// Cameras on another host serving one card (eth0) or every card ("all"):
// each is found, and its icon named at the address of the card the search
// came in on, not at the camera host's loopback, which this host cannot reach.
class UpnpOtherHost : public UpnpHostsTest, public testing::WithParamInterface<const char*> {};

TEST_P(UpnpOtherHost, FindsItsCamerasAtTheCardTheSearchCameIn) {
    DevsimProcess devsim({"--no-udp", "--upnp-cameras", dir_.File("cams.txt"), "--upnp-interface", GetParam()}, 2);
    ASSERT_TRUE(devsim.Start()) << devsim.Error();
    const auto devices = SearchOnce();
    ASSERT_EQ(devices.size(), 2u);
    for (const auto& d : devices) {
        if (d.UniqueDeviceName != "uuid:hosts-axis") continue;
        EXPECT_EQ(d.IconURL.rfind("http://" + addresses_[1] + ":", 0), 0u) << d.IconURL;
    }
}

INSTANTIATE_TEST_SUITE_P(Cards, UpnpOtherHost, testing::Values("eth0", "all"));

TEST_F(UpnpHostsTest, ACameraSeenOnTwoNetworkCardsIsListedOnce) {
    // The same cameras (same UDNs) answer on lo and on eth0 of this host.
    DevsimProcess onLo({"--no-udp", "--upnp-cameras", dir_.File("cams.txt"), "--upnp-interface", "lo"});
    DevsimProcess onEth0({"--no-udp", "--upnp-cameras", dir_.File("cams.txt"), "--upnp-interface", "eth0"});
    ASSERT_TRUE(onLo.Start()) << onLo.Error();
    ASSERT_TRUE(onEth0.Start()) << onEth0.Error();
    const auto devices = SearchOnce();
    std::vector<std::string> udns;
    for (const auto& d : devices) udns.push_back(d.UniqueDeviceName);
    std::sort(udns.begin(), udns.end());
    EXPECT_EQ(udns, (std::vector<std::string>{"uuid:hosts-axis", "uuid:hosts-vivotek"}));
}

}  // namespace
