// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_access.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

in_addr_t A(const char* text) { return ::inet_addr(text); }

TEST(RelayAllowList, HoldsAClientWhenOneOfItsNetworksDoes) {
    const std::vector<Cidr> allow{*ParseCidr("198.51.100.0/24"), *ParseCidr("203.0.113.9"), *ParseCidr("0.0.0.0/0")};
    EXPECT_TRUE(Allows({allow[0]}, A("198.51.100.255")));
    EXPECT_FALSE(Allows({allow[0]}, A("198.51.101.1")));
    EXPECT_TRUE(Allows({allow[1]}, A("203.0.113.9")));
    EXPECT_FALSE(Allows({allow[1]}, A("203.0.113.8")));
    EXPECT_TRUE(Allows({allow[2]}, A("203.0.113.8"))) << "0.0.0.0/0 lets everyone in";
    EXPECT_FALSE(Allows({}, A("127.0.0.1"))) << "an empty list lets nobody in";
}

TEST(RelayAllowList, DefaultsToTheSubnetOfEachAddressOnce) {
    const std::vector<InterfaceAddress> cards{
        {"lo", IFF_UP | IFF_LOOPBACK, A("127.0.0.1"), A("255.0.0.0")},
        {"eth0", IFF_UP | IFF_BROADCAST, A("198.51.100.2"), A("255.255.255.0")},
        {"eth0:1", IFF_UP | IFF_BROADCAST, A("198.51.100.3"), A("255.255.255.0")},
        {"eth1", IFF_UP | IFF_BROADCAST, A("203.0.113.70"), A("255.255.255.192")},
        // A netmask nobody reported must not open the relay to the world.
        {"tun0", IFF_UP, A("198.18.0.5"), 0},
    };
    std::vector<std::string> texts;
    for (const Cidr& cidr : LocalSubnets(cards)) texts.push_back(CidrText(cidr));
    EXPECT_EQ(texts, (std::vector<std::string>{"127.0.0.0/8", "198.51.100.0/24", "203.0.113.64/26", "198.18.0.5/32"}));
}

TEST(RelayRateLimit, TenQueriesAtOnceThenOneEachTenthOfASecondPerClient) {
    QueryRateLimit limit(10);
    const auto t0 = RelayClock::now();
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(limit.Admit(A("198.51.100.11"), t0)) << i;
    EXPECT_FALSE(limit.Admit(A("198.51.100.11"), t0));
    EXPECT_TRUE(limit.Admit(A("198.51.100.12"), t0)) << "another client has a bucket of its own";
    EXPECT_FALSE(limit.Admit(A("198.51.100.11"), t0 + 50ms));
    EXPECT_TRUE(limit.Admit(A("198.51.100.11"), t0 + 110ms));
    EXPECT_FALSE(limit.Admit(A("198.51.100.11"), t0 + 120ms));
    // A steady 10 a second is always let through.
    int admitted = 0;
    for (int i = 0; i < 100; ++i) admitted += limit.Admit(A("198.51.100.11"), t0 + 1s + i * 100ms) ? 1 : 0;
    EXPECT_EQ(admitted, 100);
}

TEST(RelayRateLimit, FollowsBoundedlyManyClientsAndForgetsIdleOnes) {
    QueryRateLimit limit(10, 3);
    const auto t0 = RelayClock::now();
    for (const char* client : {"198.51.100.1", "198.51.100.2", "198.51.100.3"}) EXPECT_TRUE(limit.Admit(A(client), t0));
    EXPECT_FALSE(limit.Admit(A("198.51.100.4"), t0)) << "three busy clients fill the table";
    EXPECT_EQ(limit.Followed(), 3u);
    // A second later every bucket is full again: those clients need no following.
    EXPECT_TRUE(limit.Admit(A("198.51.100.4"), t0 + 1s));
    EXPECT_EQ(limit.Followed(), 1u);
}

}  // namespace
