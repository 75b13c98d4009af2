// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/firewall_rules.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<int> Ports(const std::string& text) {
    std::istringstream in(text);
    std::vector<int> ports;
    for (int port; in >> port;) ports.push_back(port);
    return ports;
}

}  // namespace

TEST(FirewallRules, KnownRulesetsDropKnownPorts) {
    const std::vector<int> asked{6667, 1900, 3702};
    int cases = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(LANVARO_TEST_DATA) / "firewall")) {
        const fs::path path = entry.path();
        if (path.extension() != ".nft" && path.extension() != ".iptables") continue;
        ++cases;
        const std::string rules = Slurp(path);
        const std::vector<int> dropped =
            path.extension() == ".nft" ? UdpPortsDroppedByNft(rules, asked) : UdpPortsDroppedByIptables(rules, asked);
        fs::path expected = path;
        expected.replace_extension(".dropped");
        EXPECT_EQ(dropped, Ports(Slurp(expected))) << path.filename();
    }
    EXPECT_GE(cases, 6);
}
