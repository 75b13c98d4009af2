// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/broadcast_interfaces.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/private_network.h"

namespace {

constexpr unsigned kCard = IFF_UP | IFF_BROADCAST | IFF_RUNNING | IFF_MULTICAST;

InterfaceAddress Entry(const std::string& name, unsigned flags, const char* address,
                       const char* netmask = "255.255.255.0") {
    return {name, flags, inet_addr(address), inet_addr(netmask)};
}

std::vector<std::string> Texts(const std::vector<in_addr_t>& addresses) {
    std::vector<std::string> out;
    for (const in_addr_t a : addresses) {
        in_addr address{};
        address.s_addr = a;
        char text[INET_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET, &address, text, sizeof text);
        out.emplace_back(text);
    }
    return out;
}

struct FilterCase {
    const char* name;
    std::vector<InterfaceAddress> interfaces;
    std::vector<std::string> expected;
};

class BroadcastSources : public ::testing::TestWithParam<FilterCase> {};

TEST_P(BroadcastSources, OneAddressPerCardThatCanBroadcast) {
    EXPECT_EQ(Texts(BroadcastSourceAddresses(GetParam().interfaces)), GetParam().expected);
}

const std::vector<InterfaceAddress> kLaptop{
    Entry("lo", IFF_UP | IFF_LOOPBACK | IFF_RUNNING, "127.0.0.1"),
    Entry("eth0", kCard, "198.51.100.20"),
    Entry("wlan0", kCard, "203.0.113.7"),
};

INSTANTIATE_TEST_SUITE_P(
    Filter, BroadcastSources,
    ::testing::Values(FilterCase{"EveryCardInTheOrderGiven", kLaptop, {"198.51.100.20", "203.0.113.7"}},
                      FilterCase{"LoopbackOnlyLeavesNone", {kLaptop[0]}, {}}, FilterCase{"NothingAtAll", {}, {}},
                      FilterCase{"LoopbackIsSkippedEvenIfItClaimsBroadcast",
                                 {Entry("lo", IFF_UP | IFF_LOOPBACK | IFF_BROADCAST, "127.0.0.1")},
                                 {}},
                      FilterCase{"CardThatIsDown",
                                 {Entry("eth1", IFF_BROADCAST | IFF_MULTICAST, "203.0.113.101"), kLaptop[1]},
                                 {"198.51.100.20"}},
                      FilterCase{"PointToPointTunnelCannotBroadcast",
                                 {Entry("tun0", IFF_UP | IFF_POINTOPOINT | IFF_RUNNING, "203.0.113.82"), kLaptop[2]},
                                 {"203.0.113.7"}},
                      FilterCase{"SameAddressOnTwoCardsOnce",
                                 {Entry("eth0", kCard, "198.51.100.20"), Entry("br0", kCard, "198.51.100.20")},
                                 {"198.51.100.20"}},
                      FilterCase{"ExtraAddressesOfACardAddNothing",
                                 {Entry("eth0", kCard, "198.51.100.20"), Entry("eth0", kCard, "203.0.113.161"),
                                  Entry("eth0:1", kCard, "203.0.113.171"), Entry("eth1", kCard, "203.0.113.101")},
                                 {"198.51.100.20", "203.0.113.101"}},
                      FilterCase{"ACardWhoseFirstAddressIsTakenUsesItsNext",
                                 {Entry("eth0", kCard, "198.51.100.20"), Entry("br0", kCard, "198.51.100.20"),
                                  Entry("br0", kCard, "203.0.113.201")},
                                 {"198.51.100.20", "203.0.113.201"}},
                      FilterCase{"UnsetAddress", {Entry("eth2", kCard, "0.0.0.0")}, {}}),
    [](const ::testing::TestParamInfo<FilterCase>& param) { return std::string(param.param.name); });

TEST(OnCards, KeepsTheNamedCardsWithTheirLabelledAddresses) {
    const std::vector<InterfaceAddress> cards{kLaptop[0], kLaptop[1], Entry("eth0:1", kCard, "198.51.100.21"),
                                              kLaptop[2], Entry("eth00", kCard, "198.51.100.22")};
    auto names = [](const std::vector<InterfaceAddress>& entries) {
        std::vector<std::string> out;
        for (const InterfaceAddress& entry : entries) out.push_back(entry.name);
        return out;
    };
    EXPECT_EQ(names(OnCards(cards, {"eth0"})), (std::vector<std::string>{"eth0", "eth0:1"}));
    EXPECT_EQ(names(OnCards(cards, {"wlan0", "lo"})), (std::vector<std::string>{"lo", "wlan0"}));
    EXPECT_EQ(OnCards(cards, {}).size(), cards.size()) << "no name: every card";
    EXPECT_TRUE(OnCards(cards, {"eth"}).empty());
}

TEST(MulticastSources, EveryCardThatCanMulticastElseLoopback) {
    const std::vector<InterfaceAddress> cards{kLaptop[0],
                                              Entry("eth0", IFF_UP | IFF_BROADCAST, "198.51.100.20"),  // no multicast
                                              Entry("wlan0", kCard, "203.0.113.7"),
                                              Entry("wlan0", kCard, "203.0.113.8"),
                                              Entry("tun0", IFF_UP | IFF_POINTOPOINT | IFF_MULTICAST, "203.0.113.82"),
                                              Entry("eth1", kCard & ~IFF_UP, "203.0.113.101")};
    EXPECT_EQ(Texts(MulticastSourceAddresses(cards)), (std::vector<std::string>{"203.0.113.7", "203.0.113.82"}));
    EXPECT_EQ(Texts(MulticastSourceAddresses({kLaptop[0], cards[1]})), std::vector<std::string>{"127.0.0.1"});
}

TEST(LocalNetworks, AnAddressIsLocalWhenAnyCardsSubnetHoldsIt) {
    const std::vector<InterfaceAddress> cards{
        Entry("lo", IFF_UP | IFF_LOOPBACK, "127.0.0.1", "255.0.0.0"), Entry("eth0", kCard, "198.51.100.20"),
        Entry("wlan0", kCard, "203.0.113.7", "255.255.255.128"), Entry("eth2", kCard, "0.0.0.0", "0.0.0.0")};
    EXPECT_TRUE(InLocalNetworks(inet_addr("198.51.100.254"), cards));
    EXPECT_TRUE(InLocalNetworks(inet_addr("203.0.113.100"), cards));
    EXPECT_TRUE(InLocalNetworks(inet_addr("127.3.0.1"), cards));
    EXPECT_FALSE(InLocalNetworks(inet_addr("203.0.113.220"), cards));  // a camera still on its factory address
    EXPECT_FALSE(InLocalNetworks(inet_addr("203.0.113.135"), cards));
    EXPECT_FALSE(InLocalNetworks(inet_addr("198.51.100.20"), {}));
}

TEST(LocalInterfaces, ANamespaceWithLoopbackOnlyHasNoBroadcastSource) {
    const auto out = RunInPrivateNetwork([] {
        std::string text;
        const auto interfaces = LocalInterfaceAddresses();
        for (const auto& entry : interfaces) text += entry.name + (entry.flags & IFF_LOOPBACK ? " loopback;" : ";");
        return text + "|" + std::to_string(BroadcastSourceAddresses(interfaces).size());
    });
    if (!out) GTEST_SKIP() << "no private network namespace on this machine";
    EXPECT_EQ(*out, "lo loopback;|0");
}

}  // namespace
