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
