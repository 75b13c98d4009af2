// SPDX-License-Identifier: GPL-3.0-or-later
#include <net/if.h>

#include <gtest/gtest.h>

#include "onvif/wsd_search.h"
#include "upnp/search_cards.h"
#include "upnp/search_schedule.h"

namespace {

using std::chrono::milliseconds;

TEST(UpnpSchedule, ListensUntilTheLastSendsLatestAnswer) {
    upnp_search::Schedule schedule;
    schedule.sends = {milliseconds(0), milliseconds(200), milliseconds(400)};
    schedule.mxSeconds = 1;
    schedule.margin = milliseconds(100);
    EXPECT_EQ(schedule.ListenEnd(), milliseconds(1500));
    schedule.mxSeconds = 3;
    EXPECT_EQ(schedule.ListenEnd(), milliseconds(3500));
    schedule.sends.clear();
    EXPECT_EQ(schedule.ListenEnd(), milliseconds(3100));
}

TEST(UpnpSchedule, DefaultHearsADeviceAtTheEndOfItsMxBeforeListeningEnds) {
    const upnp_search::Schedule schedule;
    ASSERT_FALSE(schedule.sends.empty());
    const milliseconds lastAnswer = schedule.sends.back() + std::chrono::seconds(schedule.mxSeconds);
    EXPECT_GT(schedule.ListenEnd(), lastAnswer);
    EXPECT_GE(schedule.sends.size(), 2u) << "one lost datagram must not lose a device";
}

struct DueCase {
    const char* name;
    std::size_t next;
    int elapsedMs;
    std::size_t expected;
};

class UpnpSendsDue : public testing::TestWithParam<DueCase> {};

// A card that opens late sends once for every send it missed, not a burst.
TEST_P(UpnpSendsDue, NextSendAfter) {
    upnp_search::Schedule schedule;
    schedule.sends = {milliseconds(0), milliseconds(200), milliseconds(400)};
    EXPECT_EQ(schedule.NextAfter(GetParam().next, milliseconds(GetParam().elapsedMs)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Times, UpnpSendsDue,
                         testing::Values(DueCase{"start", 0, 0, 1}, DueCase{"between", 1, 150, 1},
                                         DueCase{"second", 1, 200, 2}, DueCase{"lateCard", 0, 450, 3},
                                         DueCase{"allSent", 3, 5000, 3}),
                         [](const testing::TestParamInfo<DueCase>& p) { return std::string(p.param.name); });

TEST(WsdSchedule, ListensUntilTheLastRoundsLatestAnswer) {
    EXPECT_EQ(WsdListenWindow(milliseconds(400), milliseconds(100)), milliseconds(1000));
    const WsdSearchTimings timings;
    ASSERT_FALSE(timings.rounds.empty());
    EXPECT_GT(timings.window, timings.rounds.back() + kAppMaxDelay);
    EXPECT_GE(timings.rounds.size(), 2u);
}

TEST(UpnpSearchCards, OneAddressPerUsableCard) {
    const auto addr = [](unsigned last) { return htonl(0xC6336400u | last); };  // 198.51.100.x
    const std::vector<InterfaceAddress> interfaces = {
        {"lo", IFF_UP | IFF_LOOPBACK, htonl(0x7F000001u), 0},
        {"eth0", IFF_UP | IFF_MULTICAST | IFF_BROADCAST, addr(11), 0},
        {"eth0:1", IFF_UP | IFF_MULTICAST | IFF_BROADCAST, addr(12), 0},
        {"eth1", IFF_MULTICAST | IFF_BROADCAST, addr(13), 0},  // down
        {"tun0", IFF_UP | IFF_POINTOPOINT, addr(14), 0},       // cannot multicast
    };
    const auto cards = UpnpSearchCards(interfaces);
    ASSERT_EQ(cards.size(), 2u);
    EXPECT_EQ(cards[0].name, "lo");
    EXPECT_EQ(cards[1].name, "eth0");
    EXPECT_EQ(cards[1].address, addr(11));
}

}  // namespace
