// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery over UDP between the protocol library and simulated devices.

#include <gtest/gtest.h>

#include "protocol/plain_package.h"
#include "tests/lan/protocol/reply_collector.h"
#include "tests/lan/protocol/sample_devices.h"
#include "tests/support/fake_window.h"
#include "tools/devsim/sim_device.h"
#include "tools/devsim/wire_codec.h"

namespace {

using namespace std::chrono_literals;

TEST(UdpDiscovery, LocalBroadcastFindsExactlyTheSimulatedDevices) {
    SampleDevsim sim;
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    auto datagrams = tool.Receive();
    tool.Parse(datagrams);

    const auto expected = DevicesFromText(kSampleDevices);
    ASSERT_EQ(expected.size(), 5u);
    EXPECT_EQ(datagrams.size(), expected.size()) << "one datagram per device";
    for (const Datagram& d : datagrams) {
        EXPECT_EQ(d.from, "127.0.0.1:6666") << "answers come from the device port";
        EXPECT_EQ(SplitPackages(DecodeBlock(d.text)).size(), 1u);
    }
    EXPECT_EQ(RecordTexts(tool.list), RecordTexts(expected));
    EXPECT_EQ(tool.nextRow, 6);
    EXPECT_EQ(form.RowCount(), 6);
}

TEST(UdpDiscovery, RelayQueryOverUdpIsAnsweredToo) {
    SampleDevsim sim;
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    form.method = SearchMethod::IpRelay;
    form.relayAddress = "127.0.0.1";
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagRelayQuery), 0);
    tool.Parse(tool.Receive());
    EXPECT_EQ(RecordTexts(tool.list), RecordTexts(DevicesFromText(kSampleDevices)));
}

TEST(UdpDiscovery, PackedDatagramsCarrySeveralDevicesEach) {
    auto sim = SampleDevsim::Without({"--count", "10", "--per-datagram", "4"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    auto datagrams = tool.Receive();
    ASSERT_EQ(datagrams.size(), 3u);
    std::vector<size_t> perDatagram;
    for (const Datagram& d : datagrams) perDatagram.push_back(SplitPackages(DecodeBlock(d.text)).size());
    EXPECT_EQ(perDatagram, (std::vector<size_t>{4, 4, 2}));

    tool.Parse(datagrams);
    EXPECT_EQ(RecordTexts(tool.list), RecordTexts(GenerateDevices(10)));
}

TEST(UdpDiscovery, BurstOfTwoThousandDevicesArrivesWhole) {
    auto sim = SampleDevsim::Without({"--count", "2000"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    auto datagrams = tool.Receive(1000ms, 20000ms);
    EXPECT_EQ(datagrams.size(), 2000u);
    tool.Parse(datagrams);
    EXPECT_EQ(RecordTexts(tool.list), RecordTexts(GenerateDevices(2000)));
}

}  // namespace
