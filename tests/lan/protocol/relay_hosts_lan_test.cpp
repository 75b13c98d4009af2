// SPDX-License-Identifier: GPL-3.0-or-later
// "IP Relay" on a LAN of three hosts: the tool on host 1, simulated devices
// on hosts 2 and 3. A relay query must reach the named host and no other.

#include <gtest/gtest.h>

#include "protocol/plain_package.h"
#include "tests/lan/protocol/reply_collector.h"
#include "tests/lan/protocol/sample_devices.h"
#include "tests/support/fake_window.h"

namespace {

using namespace std::chrono_literals;

class RelayHosts : public ::testing::Test {
protected:
    void SetUp() override {
        addresses_ = LanBoxAddresses();
        if (addresses_.size() < 3) GTEST_SKIP() << "needs a box of three hosts (scripts/lanbox hosts 3)";
        // Host 3's devices differ from host 2's, so answers tell who spoke.
        host2_ = std::make_unique<SampleDevsim>(std::vector<std::string>{}, 2);
        host3_ = std::make_unique<SampleDevsim>(std::vector<std::string>{"--overlong"}, 3);
        ASSERT_TRUE(host2_->Start()) << host2_->Error();
        ASSERT_TRUE(host3_->Start()) << host3_->Error();
    }

    std::vector<std::string> addresses_;
    std::unique_ptr<SampleDevsim> host2_;
    std::unique_ptr<SampleDevsim> host3_;
};

TEST_F(RelayHosts, RelayQueryReachesOnlyTheRelayHost) {
    FakeWindow form;
    form.method = SearchMethod::IpRelay;
    form.relayAddress = addresses_[1];
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagRelayQuery), 0);
    auto datagrams = tool.Receive();
    for (const Datagram& d : datagrams) EXPECT_EQ(d.from, addresses_[1] + ":6666");
    tool.Parse(datagrams);
    EXPECT_EQ(RecordTexts(tool.list), RecordTexts(DevicesFromText(kSampleDevices)));

    tComUnitInfo record = MakeRecord({"M", "P", "N", "203.0.113.5", "80", "255.255.255.0", "203.0.113.1",
                                      "203.0.113.53", "00:11:22:33:44:55", "d", "DHCP"});
    ASSERT_EQ(tool.Send(kFlagNetworkSetup, &record), 0);
    EXPECT_EQ(WaitForLines(host2_->Record(), 1).size(), 1u);
    EXPECT_TRUE(ReadLines(host3_->QueryLog()).empty()) << "host 3 heard the relay exchange";

    // Host 3 was listening: a broadcast reaches it, and both hosts answer.
    form.method = SearchMethod::LocalBroadcast;
    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    EXPECT_EQ(tool.Receive().size(), 10u);
    auto heard = WaitForLines(host3_->QueryLog(), 1);
    ASSERT_EQ(heard.size(), 1u);
    EXPECT_EQ(heard[0].rfind("udp " + addresses_[0] + ":", 0), 0u) << heard[0];
    EXPECT_NE(heard[0].find(" Kestrova,00,????"), std::string::npos) << heard[0];
}

TEST_F(RelayHosts, InvalidRelayAddressReachesNoHost) {
    FakeWindow form;
    form.method = SearchMethod::IpRelay;
    form.relayAddress = "198.51.100.x";
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    EXPECT_EQ(tool.Send(kFlagRelayQuery), -1);
    tComUnitInfo record = MakeRecord({"M", "P", "N", "203.0.113.5", "80", "255.255.255.0", "203.0.113.1",
                                      "203.0.113.53", "00:11:22:33:44:55", "d", "DHCP"});
    EXPECT_EQ(tool.Send(kFlagNetworkSetup, &record), -1);
    EXPECT_TRUE(tool.Receive(500ms).empty());
    EXPECT_TRUE(ReadLines(host2_->QueryLog()).empty());
    EXPECT_TRUE(ReadLines(host3_->QueryLog()).empty());
}

}  // namespace
