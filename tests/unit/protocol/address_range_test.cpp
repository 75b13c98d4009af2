// SPDX-License-Identifier: GPL-3.0-or-later
// Address ranges as users type them, from a table of known answers, and the
// addresses a search then sends to.

#include "protocol/address_range.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

struct RangeCase {
    std::string name, text, expected;
};

std::vector<RangeCase> ReadCases() {
    std::ifstream in(LANVARO_RANGES_DATA);
    std::vector<RangeCase> cases;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t first = line.find('\t');
        const std::size_t second = line.find('\t', first + 1);
        cases.push_back({line.substr(0, first), line.substr(first + 1, second - first - 1), line.substr(second + 1)});
    }
    return cases;
}

std::string Text(std::uint32_t host) { return Ipv4Text(htonl(host)); }

std::string Outcome(const ParsedRanges& parsed) {
    if (!parsed.error.empty()) return parsed.error;
    std::string out;
    for (const AddressBlock& block : parsed.blocks) out += Text(block.first) + "-" + Text(block.last) + " ";
    return out + "(" + std::to_string(parsed.addresses) + ")";
}

class KnownRanges : public ::testing::TestWithParam<RangeCase> {};

TEST_P(KnownRanges, ParseAsExpected) { EXPECT_EQ(Outcome(ParseAddressRanges(GetParam().text)), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Cases, KnownRanges, ::testing::ValuesIn(ReadCases()),
                         [](const auto& row) { return row.param.name; });

in_addr_t A(const char* text) { return ::inet_addr(text); }

InterfaceAddress Card(const char* name, const char* address, const char* netmask, unsigned flags = IFF_UP) {
    return {name, flags, A(address), A(netmask)};
}

TEST(RangeTargets, LeaveOutOwnAddressesAndTheLinksNetworkAndBroadcastAddresses) {
    const std::vector<InterfaceAddress> cards{Card("lo", "127.0.0.1", "255.0.0.0", IFF_UP | IFF_LOOPBACK),
                                              Card("eth0", "198.51.100.11", "255.255.255.0")};
    const ParsedRanges parsed = ParseAddressRanges("198.51.100.0/24,203.0.113.0/30");
    std::vector<std::string> onLink;
    std::vector<std::string> routed;
    for (const RangeTarget& target : RangeTargets(parsed.blocks, cards))
        (target.onLink ? onLink : routed).push_back(Ipv4Text(target.address));
    // A routed block's first and last are no broadcast this computer knows of.
    EXPECT_EQ(routed, (std::vector<std::string>{"203.0.113.0", "203.0.113.1", "203.0.113.2", "203.0.113.3"}));
    ASSERT_EQ(onLink.size(), 253u) << "256 less .0, .255 and this computer's .11";
    EXPECT_EQ(onLink.front(), "198.51.100.1");
    EXPECT_EQ(onLink.back(), "198.51.100.254");
    EXPECT_EQ(std::count(onLink.begin(), onLink.end(), "198.51.100.11"), 0);
}

TEST(RangesWithAddress, AddsOnlyAnAddressTheRangesLack) {
    EXPECT_EQ(RangesWithAddress("203.0.113.0/24", "203.0.113.77"), "203.0.113.0/24");
    EXPECT_EQ(RangesWithAddress("203.0.113.0/25", "203.0.113.200"), "203.0.113.0/25,203.0.113.200");
    EXPECT_EQ(RangesWithAddress("203.0.113.0/25", "not an address"), "203.0.113.0/25");
}

}  // namespace
