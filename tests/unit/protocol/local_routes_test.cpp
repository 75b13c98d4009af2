// SPDX-License-Identifier: GPL-3.0-or-later
// Whether this computer reaches a camera's new subnet by itself: the cards'
// addresses and subnets, and the routes other than the default one.

#include "protocol/local_routes.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <gtest/gtest.h>

namespace {

// /proc/net/route as the kernel of a little-endian machine writes it: a
// default route by 198.51.100.1 and a route for 192.0.2.0/24 beside the card's own.
const char* const kRouteText =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t016433C6\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
    "eth0\t006433C6\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
    "eth0\t000200C0\t016433C6\t0003\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
    "garbage line\n";

struct ReachCase {
    const char* name;
    const char* address;
    int prefix;
    bool reachable;
};

class SubnetReach : public testing::TestWithParam<ReachCase> {};

TEST_P(SubnetReach, OnlyWithoutTheDefaultRoute) {
    const std::vector<InterfaceAddress> cards{
        {"lo", IFF_UP | IFF_LOOPBACK, inet_addr("127.0.0.1"), inet_addr("255.0.0.0")},
        {"eth0", IFF_UP, inet_addr("198.51.100.7"), inet_addr("255.255.255.0")}};
    const std::vector<Ipv4Route> routes = ParseProcNetRoute(kRouteText);
    ASSERT_EQ(routes.size(), 3u);
    EXPECT_EQ(SubnetReachable(inet_addr(GetParam().address), GetParam().prefix, cards, routes), GetParam().reachable);
}

INSTANTIATE_TEST_SUITE_P(, SubnetReach,
                         testing::Values(ReachCase{"InACardsSubnet", "198.51.100.50", 24, true},
                                         ReachCase{"ACardInTheWiderNewSubnet", "198.51.0.9", 16, true},
                                         ReachCase{"ByARouteOfItsOwn", "192.0.2.80", 24, true},
                                         ReachCase{"OnlyByTheDefaultRoute", "203.0.113.50", 24, false},
                                         ReachCase{"OnLoopback", "127.77.5.15", 8, true}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SubnetText, IsTheNetworkAndItsPrefix) { EXPECT_EQ(SubnetText("203.0.113.50", 24), "203.0.113.0/24"); }

}  // namespace
