// SPDX-License-Identifier: GPL-3.0-or-later
// The range search's pace and its sender, the sender on loopback inside a
// private network namespace.

#include "app/range_search.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "protocol/plain_package.h"
#include "protocol/unique_fd.h"
#include "tests/support/fake_window.h"
#include "tests/support/private_network.h"

namespace {

using namespace std::chrono_literals;

TEST(SendPace, KeepsTheRateAndSpacesNewOnLinkAddresses) {
    const PaceClock::time_point start{};
    SendPace pace(1000, 4, start);
    for (int i = 0; i < 10; ++i) pace.Sent(false, pace.Due(false));
    EXPECT_EQ(pace.Due(false) - start, 10ms);
    // Four new on-link addresses a second: each one a quarter second after the last.
    pace.Sent(true, pace.Due(true));
    pace.Sent(true, pace.Due(true));
    EXPECT_EQ(pace.Due(true) - start, 500ms);
    EXPECT_LT(pace.Due(false) - start, 500ms) << "other addresses are not held back";
}

TEST(SendPace, SlowsDownByHalvesNotBelowTheFloor) {
    SendPace pace(1000, 256, PaceClock::time_point{});
    const PaceClock::time_point now = PaceClock::time_point{} + 1s;
    pace.SlowDown(now);
    EXPECT_EQ(pace.Rate(), 500);
    EXPECT_EQ(pace.Due(false), now) << "starts again from the refusal";
    for (int i = 0; i < 10; ++i) pace.SlowDown(now);
    EXPECT_EQ(pace.Rate(), kSlowestRangeRate);
}

TEST(SendPace, AStalledSenderStartsAfreshInsteadOfBursting) {
    const PaceClock::time_point start{};
    SendPace pace(1000, 256, start);
    const PaceClock::time_point late = start + 1s;
    pace.Sent(false, late);
    EXPECT_EQ(pace.Due(false), late + 1ms);
}

TEST(NeighbourTable, LimitFromTheKernelElseAThousand) {
    const std::string path = ::testing::TempDir() + "gc_thresh3";
    std::ofstream(path) << "512\n";
    EXPECT_EQ(NeighbourTableLimit(path), 512);
    EXPECT_EQ(NeighbourTableLimit(path + ".missing"), 1024);
    EXPECT_EQ(OnLinkAddressesPerSecond(1024), 256);
    EXPECT_EQ(OnLinkAddressesPerSecond(512), 128);
    EXPECT_EQ(OnLinkAddressesPerSecond(1 << 20), 256);
    EXPECT_EQ(OnLinkAddressesPerSecond(2), 1);
    std::remove(path.c_str());
}

// 127.0.0.2 has nothing on the device port, so it refuses every query; each
// refusal fails the send after it, which goes again. The listener at
// 127.0.0.3 must get both rounds' queries, and only 127.0.0.2 is a host up
// without a camera service (the listener answered nothing, but refused
// nothing either).
TEST(RangeSearch, RefusalsListHostsUpAndLoseNoDatagram) {
    const auto outcome = RunInPrivateNetwork([] {
        UniqueFd listener(::socket(AF_INET, SOCK_DGRAM, 0));
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(kDevicePort);
        at.sin_addr.s_addr = ::inet_addr("127.0.0.3");
        if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0) return std::string("bind");
        RangeSearchPlan plan;
        for (const char* target : {"127.0.0.2", "127.0.0.3", "127.0.0.2", "127.0.0.2"})
            plan.targets.push_back({::inet_addr(target), false});
        plan.listen = 100ms;
        FakeWindow form;
        std::atomic<bool> cancel{false};
        RangeSinks sinks;
        long long progress = -1;
        sinks.packages = [](std::vector<DecodedAnswer>) {};
        sinks.progress = [&](long long sent, long long total) { progress = sent == total ? total : -1; };
        const RangeFindings found = RunRangeSearch(form, plan, SearchTimings{}, cancel, sinks);
        int heard = 0;
        char buffer[2048];
        while (::recv(listener.get(), buffer, sizeof buffer, MSG_DONTWAIT) > 0) ++heard;
        std::string text = "heard " + std::to_string(heard) + ", sent " + std::to_string(found.datagrams) +
                           ", failed " + std::to_string(found.failedSends) + ", rounds " +
                           std::to_string(found.rounds) + ", progress " + std::to_string(progress) + ", up:";
        for (const std::string& host : found.upWithoutService) text += " " + host;
        return text;
    });
    if (!outcome) GTEST_SKIP() << "no network namespace here";
    EXPECT_EQ(*outcome, "heard 2, sent 8, failed 0, rounds 2, progress 8, up: 127.0.0.2");
}

}  // namespace
