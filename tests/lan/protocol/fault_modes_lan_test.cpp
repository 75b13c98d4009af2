// SPDX-License-Identifier: GPL-3.0-or-later
// What a search meets from broken or hostile hosts: the library must come
// through with exactly the real devices, and nothing may hang.

#include <cstring>

#include <gtest/gtest.h>

#include "protocol/plain_package.h"
#include "tests/lan/protocol/reply_collector.h"
#include "tests/lan/protocol/sample_devices.h"
#include "tests/support/fake_window.h"
#include "tools/devsim/sim_device.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(DevsimFaults, GarbageBesideTheAnswersLeavesExactlyTheDevices) {
    SampleDevsim sim({"--garbage"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    auto datagrams = tool.Receive();
    const auto expected = DevicesFromText(kSampleDevices);
    EXPECT_GT(datagrams.size(), expected.size() + 10) << "garbage datagrams arrived too";
    bool sawLargest = false;
    for (const Datagram& d : datagrams) sawLargest = sawLargest || d.text.size() == 65507;
    EXPECT_TRUE(sawLargest);

    tool.Parse(datagrams);
    EXPECT_EQ(RecordTexts(tool.list), RecordTexts(expected));
    EXPECT_TRUE(form.LogContains("flag(05) not implemented."));
}

TEST(DevsimFaults, OverlongFieldsAreCutToTheRecordWidths) {
    SampleDevsim sim({"--overlong"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    tool.Parse(tool.Receive());

    auto devices = DevicesFromText(kSampleDevices);
    MakeOverlong(devices);
    ASSERT_EQ(tool.list.size(), devices.size());
    for (size_t i = 0; i < devices.size(); ++i) {
        const tComUnitInfo& got = tool.list[i];
        for (int f = 0; f < kComUnitFieldCount; ++f) {
            const size_t width = ComUnitFieldWidth(f);
            const std::string& sent = devices[i].fields[static_cast<size_t>(f)];
            // Every field ends inside its width and keeps the front of what was sent.
            ASSERT_LT(::strnlen(ComUnitField(got, f), width), width) << "device " << i << " field " << f;
            EXPECT_EQ(ComUnitFieldText(ComUnitField(got, f), width), sent.substr(0, width - 1))
                << "device " << i << " field " << f;
        }
    }
}

TEST(DevsimFaults, SilentHostRecordsButNeverAnswers) {
    SampleDevsim sim({"--silent"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    EXPECT_TRUE(tool.Receive(500ms).empty());
    tComUnitInfo record = MakeRecord({"M", "P", "N", "203.0.113.5", "80", "255.255.255.0", "203.0.113.1",
                                      "203.0.113.53", "00:11:22:33:44:55", "d", "DHCP"});
    ASSERT_EQ(tool.Send(kFlagNetworkSetup, &record), 0);
    // Stopped only once it has written what it heard, or the stop races the package.
    WaitForLines(sim.Record(), 1);
    WaitForLines(sim.QueryLog(), 2);
    EXPECT_EQ(sim.process.Stop(), 0) << "SIGTERM ends devsim cleanly";
    EXPECT_EQ(ReadLines(sim.Record()).size(), 1u);
    EXPECT_EQ(ReadLines(sim.QueryLog()).size(), 2u);
}

TEST(DevsimFaults, ChatteringHostNeverFallsQuietUntilStopped) {
    SampleDevsim sim({"--chatter", "--chatter-interval-ms", "50"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    const auto start = Clock::now();
    auto datagrams = tool.Receive(250ms, 1500ms);
    EXPECT_GE(Clock::now() - start, 1400ms) << "the receive window ended by quiet, not by its limit";
    EXPECT_GE(datagrams.size(), 5u + 15u);
    tool.Parse(datagrams);
    EXPECT_EQ(RecordTexts(tool.list), RecordTexts(DevicesFromText(kSampleDevices)))
        << "chatter repeats known devices only";

    EXPECT_EQ(sim.process.Stop(), 0);
    EXPECT_LE(tool.Receive(300ms, 1000ms).size(), 2u) << "chatter ends with devsim";
}

TEST(DevsimFaults, AnswerDelayHoldsTheAnswersBack) {
    SampleDevsim sim({"--answer-delay-ms", "600"});
    ASSERT_TRUE(sim.Start()) << sim.Error();
    FakeWindow form;
    ReplyCollector tool(form);
    ASSERT_TRUE(tool.Ok());

    ASSERT_EQ(tool.Send(kFlagLocalQuery), 0);
    EXPECT_TRUE(tool.Receive(300ms).empty());
    EXPECT_EQ(tool.Receive(1000ms, 3000ms).size(), 5u);
}

}  // namespace
