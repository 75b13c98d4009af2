// SPDX-License-Identifier: GPL-3.0-or-later
// Control packages and the relay address guard, against a simulated device.

#include <gtest/gtest.h>

#include "protocol/plain_package.h"
#include "tests/lan/protocol/reply_collector.h"
#include "tests/lan/protocol/sample_devices.h"
#include "tests/support/fake_window.h"

namespace {

using namespace std::chrono_literals;

TEST(ControlPackage, ReachesTheDeviceByteExact) {
    SampleDevsim sim;
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    // Spaces, an empty dns and an empty note must travel unchanged.
    tComUnitInfo record = MakeRecord({"KV-2100", "IPCAM", "Gate camera", "203.0.113.77", "80", "255.255.255.0",
                                      "203.0.113.1", "", "00:11:22:33:44:01", "HW1.0", ""});
    ASSERT_EQ(tool.Send(kFlagNetworkSetup, &record), 0);
    SetComUnitField(record.note, "STATIC");
    ASSERT_EQ(tool.Send(kFlagNetworkSetup, &record), 0);

    auto lines = WaitForLines(sim.Record(), 2);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "Kestrova,03,KV-2100,IPCAM,Gate camera,203.0.113.77,80,255.255.255.0,203.0.113.1,,"
                         "00:11:22:33:44:01,HW1.0,",
                         "Kestrova,03,KV-2100,IPCAM,Gate camera,203.0.113.77,80,255.255.255.0,203.0.113.1,,"
                         "00:11:22:33:44:01,HW1.0,STATIC",
                     }));
    // A control package is not a query: nothing answers it.
    EXPECT_TRUE(tool.Receive(300ms).empty());
}

TEST(ControlPackage, InvalidRelayAddressSendsNothing) {
    SampleDevsim sim;
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    form.method = SearchMethod::IpRelay;
    form.relayAddress = "not-an-address";
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    tComUnitInfo record = MakeRecord({"M", "P", "N", "203.0.113.5", "80", "255.255.255.0", "203.0.113.1",
                                      "203.0.113.53", "00:11:22:33:44:55", "d", "DHCP"});
    EXPECT_EQ(tool.Send(kFlagNetworkSetup, &record), -1);
    EXPECT_EQ(tool.Send(kFlagRelayQuery), -1);
    EXPECT_TRUE(form.LogContains("Invalid relay address [not-an-address]"));
    EXPECT_TRUE(tool.Receive(300ms).empty()) << "a broadcast fallback would have been answered";

    // The device was listening all along: a real query gets through and is
    // the only thing it ever saw.
    form.relayAddress = "127.0.0.1";
    ASSERT_EQ(tool.Send(kFlagRelayQuery), 0);
    EXPECT_FALSE(tool.Receive().empty());
    auto seen = WaitForLines(sim.QueryLog(), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_NE(seen[0].find("Kestrova,02,????"), std::string::npos) << seen[0];
    EXPECT_TRUE(ReadLines(sim.Record()).empty());
}

}  // namespace
