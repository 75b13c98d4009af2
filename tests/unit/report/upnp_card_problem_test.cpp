// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "report/report_problems.h"

TEST(ReportProblems, AUpnpCardLostToItsContextIsNamed) {
    SearchReport report;
    report.method = kLocalBroadcast;
    report.transport = "UDP";
    report.upnp.ran = true;
    PackageSearchFacts facts;
    facts.sends = {{0x0100007F, true}};
    for (const Problem& p : FindProblems(report, facts, {})) EXPECT_NE(p.code, "upnp-card-failed");

    report.upnp.failedCards = {{"eth1", "Address already in use"}};
    int found = 0;
    for (const Problem& p : FindProblems(report, facts, {})) {
        if (p.code != "upnp-card-failed") continue;
        ++found;
        EXPECT_NE(p.text.find("eth1"), std::string::npos) << p.text;
        EXPECT_NE(p.text.find("Address already in use"), std::string::npos) << p.text;
    }
    EXPECT_EQ(found, 1);
}
