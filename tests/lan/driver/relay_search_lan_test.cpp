// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>

#include "tests/lan/driver/driver_lan_fixture.h"

namespace {

std::vector<std::string> Devices(int n) {
    std::vector<std::string> lines;
    for (int i = 1; i <= n; ++i) lines.push_back(Device("Model" + std::to_string(i % 7), "P1", i));
    return lines;
}

}  // namespace

TEST_F(DriverLan, UdpRelaySearchAsksTheRelayWithTheRelayQuery) {
    StartDevsim(Devices(3));
    form.proj = "P1";
    form.method = SearchMethod::IpRelay;
    form.relayTransport = "udp";  // any text but TCP and HttpCmd is the UDP search
    form.relayAddress = "127.0.0.1";
    Search();
    EXPECT_EQ(form.label1Caption, "3 device(s) found!");
    const auto queries = ReadLines(files.File("queries"));
    ASSERT_FALSE(queries.empty());
    EXPECT_NE(queries[0].find("Kestrova,02,????"), std::string::npos) << queries[0];
}

TEST_F(DriverLan, AnInvalidRelayAddressSendsNothing) {
    StartDevsim(Devices(2));
    form.proj = "P1";
    form.method = SearchMethod::IpRelay;
    form.relayTransport = "UDP";
    form.relayAddress = "<Customized>";
    Search();
    EXPECT_TRUE(form.LogContains("Invalid relay address [<Customized>]"));
    EXPECT_TRUE(ReadLines(files.File("queries")).empty()) << "the relay query must not be broadcast";
    EXPECT_EQ(form.label1Caption, "0 device(s) found!");
}

TEST_F(DriverLan, TcpRelayAnswerHoldsEveryDevice) {
    StartDevsim(Devices(40), {"--tcp-relay", "--no-udp"});
    form.proj = "P1";
    form.method = SearchMethod::IpRelay;
    form.relayTransport = "TCP";
    form.relayAddress = "127.0.0.1";
    const auto took = Search();
    EXPECT_EQ(form.label1Caption, "40 device(s) found!");
    EXPECT_GE(took.count(), 1000) << "the relay is given a second before the first read";
}

TEST_F(DriverLan, TcpRelayToTheCustomizedItemFailsToConnectAndEndsNormally) {
    form.proj = "P1";
    form.method = SearchMethod::IpRelay;
    form.relayTransport = "TCP";
    form.relayAddress = "<Customized>";
    Search();
    EXPECT_TRUE(form.LogContains("CONNECT ERROR"));
    EXPECT_EQ(form.label1Caption, "0 device(s) found!");
    EXPECT_TRUE(form.button1Enabled);
}

TEST_F(DriverLan, ATcpRelayWithAThousandDevicesListsThemAll) {
    // About 130 bytes of Base64 per device: twice what one 64 KiB read held.
    StartDevsim(Devices(1000), {"--tcp-relay", "--no-udp"});
    form.proj = "P1";
    form.method = SearchMethod::IpRelay;
    form.relayTransport = "TCP";
    form.relayAddress = "127.0.0.1";
    Search();
    EXPECT_EQ(form.label1Caption, "1000 device(s) found!");
    std::vector<std::string> names = Column(kColName);
    std::vector<std::string> expected;
    for (int i = 1; i <= 1000; ++i) expected.push_back("name" + std::to_string(i));
    std::sort(names.begin(), names.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected) << "every device once, none garbled";
}

TEST_F(DriverLan, ARelayThatNeverClosesIsGivenUpWithWhatArrived) {
    StartDevsim(Devices(5), {"--tcp-relay", "--tcp-never-close", "--no-udp"});
    form.proj = "P1";
    form.method = SearchMethod::IpRelay;
    form.relayTransport = "TCP";
    form.relayAddress = "127.0.0.1";
    const auto took = Search();
    EXPECT_TRUE(form.LogContains("RECV TIMEOUT"));
    EXPECT_GE(took.count(), 9000) << "the relay is waited for up to 10 s";
    EXPECT_LT(took.count(), 30000) << "the 10 s limit did not hold";
    EXPECT_EQ(form.label1Caption, "5 device(s) found!") << "what arrived before the limit is parsed";
}
