// SPDX-License-Identifier: GPL-3.0-or-later
// A local broadcast from a host with two network cards, one per segment:
// the tool on host 1, simulated devices on host 2 (segment A, where the
// default route points) and host 3 (segment B). One datagram to
// 255.255.255.255 from an unbound socket left through eth0 only, so host 3
// never heard the query and its devices were missing; these tests failed so.

#include <map>

#include <gtest/gtest.h>

#include "protocol/plain_package.h"
#include "tests/lan/protocol/reply_collector.h"
#include "tests/lan/protocol/sample_devices.h"
#include "tests/support/fake_window.h"

namespace {

class TwoSegments : public ::testing::Test {
protected:
    void SetUp() override {
        addresses_ = LanBoxAddresses();
        host1_ = LanBoxHost1Addresses();
        if (addresses_.size() < 3 || host1_.size() < 2) GTEST_SKIP() << "needs scripts/lanbox hosts 3 --segments 2";
        segmentA_ = std::make_unique<SampleDevsim>(std::vector<std::string>{}, 2);
        segmentB_ = std::make_unique<SampleDevsim>(std::vector<std::string>{}, 3);
        ASSERT_TRUE(segmentA_->Start()) << segmentA_->Error();
        ASSERT_TRUE(segmentB_->Start()) << segmentB_->Error();
    }

    // Each host heard exactly one datagram, from host 1's address on its own
    // segment: one per card, none twice.
    void ExpectHeardOnceFromItsSegment(const std::string& log, const std::string& from, const char* flag) {
        const auto heard = WaitForLines(log, 1);
        ASSERT_EQ(heard.size(), 1u) << from;
        EXPECT_EQ(heard[0].rfind("udp " + from + ":", 0), 0u) << heard[0];
        EXPECT_NE(heard[0].find(std::string(" Kestrova,") + flag), std::string::npos) << heard[0];
    }

    std::vector<std::string> addresses_;
    std::vector<std::string> host1_;
    std::unique_ptr<SampleDevsim> segmentA_;
    std::unique_ptr<SampleDevsim> segmentB_;
};

TEST_F(TwoSegments, LocalBroadcastQueryIsAnsweredFromBothSegments) {
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    std::map<std::string, int> answersBySender;
    for (const Datagram& d : tool.Receive()) ++answersBySender[d.from];
    const std::map<std::string, int> expected{{addresses_[1] + ":6666", 5}, {addresses_[2] + ":6666", 5}};
    EXPECT_EQ(answersBySender, expected);
    EXPECT_TRUE(form.log.empty());

    ExpectHeardOnceFromItsSegment(segmentA_->QueryLog(), host1_[0], "00");
    ExpectHeardOnceFromItsSegment(segmentB_->QueryLog(), host1_[1], "00");
}

TEST_F(TwoSegments, ControlPackageReachesBothSegments) {
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());
    tComUnitInfo record = MakeRecord({"M", "P", "N", "203.0.113.5", "80", "255.255.255.0", "203.0.113.1",
                                      "203.0.113.53", "00:11:22:33:44:55", "d", "DHCP"});

    ASSERT_EQ(tool.Send(kFlagNetworkSetup, &record), 0);
    ExpectHeardOnceFromItsSegment(segmentA_->QueryLog(), host1_[0], "03");
    ExpectHeardOnceFromItsSegment(segmentB_->QueryLog(), host1_[1], "03");
    EXPECT_EQ(WaitForLines(segmentA_->Record(), 1).size(), 1u);
    EXPECT_EQ(WaitForLines(segmentB_->Record(), 1).size(), 1u);
}

TEST_F(TwoSegments, RelayQueryStillGoesToTheNamedHostOnly) {
    FakeWindow form;
    form.method = SearchMethod::IpRelay;
    form.relayAddress = addresses_[2];
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagRelayQuery), 0);
    EXPECT_EQ(tool.Receive().size(), 5u);
    ExpectHeardOnceFromItsSegment(segmentB_->QueryLog(), host1_[1], "02");
    EXPECT_TRUE(ReadLines(segmentA_->QueryLog()).empty()) << "the relay exchange was broadcast";
}

}  // namespace
