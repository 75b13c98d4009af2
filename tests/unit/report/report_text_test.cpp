// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_text.h"

#include <gtest/gtest.h>

TEST(ReportText, StatusLineSumsUpTheSearch) {
    SearchReport report;
    report.method = kLocalBroadcast;
    report.cards = {{"eth0", "198.51.100.5", "255.255.255.0", 2, 0}, {"eth1", "203.0.113.5", "255.0.0.0", 2, 1}};
    report.datagrams = 2043;
    report.replies.Reject(RejectReason::NotKestrova, "x", 1);
    report.replies.Reject(RejectReason::Undecodable, "y", 1);
    report.replies.Reject(RejectReason::Undecodable, "z", 1);
    report.outsideNetworks = {"169.254.3.4"};
    report.problems = {{"devices-outside-networks", "", ""}};
    EXPECT_EQ(StatusSummary(report),
              "Broadcast through eth0, eth1 \xC2\xB7 2,043 replies \xC2\xB7 3 ignored \xC2\xB7 1 device outside your "
              "networks");

    report.method = kIpRelay;
    report.relay = "203.0.113.1";
    report.transport = "TCP";
    report.datagrams = 1;
    report.replies = {};
    report.outsideNetworks.clear();
    report.problems = {{"relay-unreachable", "", ""}, {"nothing-answered", "", ""}};
    EXPECT_EQ(StatusSummary(report), "Relay 203.0.113.1 over TCP \xC2\xB7 1 reply \xC2\xB7 2 problems");

    report.problems.clear();
    report.upnp.ran = true;
    report.upnp.answered = 2;
    report.onvif = OnvifReport{5, 3, 1};
    EXPECT_EQ(StatusSummary(report),
              "Relay 203.0.113.1 over TCP \xC2\xB7 1 reply \xC2\xB7 UPnP 2 answered \xC2\xB7 ONVIF 3 answered");
}

TEST(ReportText, AddressRangePartSaysWhatWasProbedAndWhoAnsweredWithoutAService) {
    SearchReport report;
    report.method = kAddressRange;
    report.transport = "UDP";
    report.filter = "ALL";
    report.datagrams = 52;
    RangeReport range;
    range.ranges = {"203.0.113.0/24", "198.51.100.7"};
    range.addresses = 257;
    range.datagrams = 2056;
    range.rounds = 2;
    range.seconds = 1.3;
    range.onLinkAddresses = 1;
    range.onLinkPerSecond = 256;
    range.neighbourLimit = 1024;
    for (int i = 1; i <= 22; ++i) range.upWithoutService.push_back("203.0.113." + std::to_string(i));
    report.range = range;
    EXPECT_EQ(StatusSummary(report),
              "Address range 203.0.113.0/24, 198.51.100.7: 257 addresses probed \xC2\xB7 52 replies \xC2\xB7 22 hosts "
              "without a camera service");
    const std::string text = ReportText(report);
    EXPECT_NE(text.find("Search: Address Range 203.0.113.0/24, 198.51.100.7, filter ALL\n"), std::string::npos) << text;
    EXPECT_NE(text.find("  257 addresses probed: 2,056 datagrams sent in 2 rounds (1.3 s with the listening)\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  1 address lies in this computer's own networks: at most 256 new ones a second, so the "
                        "neighbour table (1,024 entries) never fills\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  22 hosts answered but offered no camera service: 203.0.113.1, 203.0.113.2, "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("203.0.113.20 and 2 more\n"), std::string::npos) << "the first 20 named\n" << text;
}
