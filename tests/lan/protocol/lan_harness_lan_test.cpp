// SPDX-License-Identifier: GPL-3.0-or-later
// The harness itself: a box's guards and what a LAN binary reports when its
// tests did not all run.

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

namespace {

using namespace std::chrono_literals;

std::string Self() { return std::filesystem::read_symlink("/proc/self/exe"); }

// LANBOX set by hand is not a box: with a card of another address in sight
// (192.0.2.2 is a real test machine's own; 100.64.0.1 is a provider's shared
// space, next to none of the box's ranges), devsim and a LAN test binary both
// refuse before sending. The card lives in a namespace of this test's own, so
// even a guard that failed would send nothing beyond it.
TEST(LanBoxGuard, RefusesWhereACardIsNotTheBoxs) {
    const char* script =
        "{ ip link add d0 type dummy 2>/dev/null || ip link add d0 type veth peer name d1; } &&"
        " ip addr add \"$3\"/24 dev d0 && ip link set d0 up && ip link set lo up || exit 90\n"
        "\"$1\" --count 3 --duration 5; echo \"devsim $?\"\n"
        "\"$2\" --gtest_filter=None; echo \"lan-test $?\"\n";
    const std::string self = Self();
    for (const std::string address : {"100.64.0.1", "192.0.2.2"}) {
        TempDir dir;
        ChildOptions options;
        options.env = {"LANBOX=one"};
        options.stdoutPath = dir.File("stdout");
        options.stderrPath = dir.File("stderr");
        ChildProcess guarded(
            {"/usr/bin/env", "unshare", "-rn", "/bin/sh", "-c", script, "sh", DevsimPath(), self, address}, options);
        ASSERT_TRUE(guarded.Started()) << guarded.Error();
        const auto status = guarded.Wait(20s);
        ASSERT_TRUE(status.has_value()) << "a guarded binary did not end";
        if (*status != 0) GTEST_SKIP() << "cannot make a namespace with a network card here: status " << *status;

        EXPECT_EQ(ReadLines(dir.File("stdout")), (std::vector<std::string>{"devsim 3", "lan-test 3"})) << address;
        const auto errors = ReadLines(dir.File("stderr"));
        ASSERT_EQ(errors.size(), 2u) << testing::PrintToString(errors);
        for (const std::string& line : errors) EXPECT_NE(line.find(address), std::string::npos) << line;
    }
}

// Generated devices announce what --device-net names, so a real network's
// range is refused before anything is sent.
TEST(DevsimDeviceNet, RealNetworksAreRefused) {
    for (const std::string net : {"10.0.0", "172.16.5", "192.168.1", "192.0.2", "8.8.8"}) {
        TempDir dir;
        ChildOptions options;
        options.stderrPath = dir.File("stderr");
        ChildProcess devsim({DevsimPath(), "--count", "3", "--device-net", net, "--duration", "5"}, options);
        ASSERT_TRUE(devsim.Started()) << devsim.Error();
        EXPECT_EQ(devsim.Wait(20s).value_or(-1), 2) << net;
        const auto errors = ReadLines(dir.File("stderr"));
        ASSERT_EQ(errors.size(), 1u) << net;
        EXPECT_NE(errors[0].find("--device-net"), std::string::npos) << errors[0];
    }
}

// A test that skips (here: one that needs a box of three hosts) leaves its
// binary reported as skipped, and under CI as failed, never as passed.
TEST(LanTestMain, SkippedTestsAreNoPass) {
    for (const auto& [ci, expected] : {std::pair<std::string, int>{"", kSkipExitCode}, {"true", 1}}) {
        TempDir dir;
        ChildOptions options;
        options.env = {"CI=" + ci};
        options.stdoutPath = dir.File("stdout");
        options.stderrPath = dir.File("stderr");
        ChildProcess run({Self(), "--gtest_filter=RelayHosts.RelayQueryReachesOnlyTheRelayHost"}, options);
        ASSERT_TRUE(run.Started()) << run.Error();
        EXPECT_EQ(run.Wait(20s), expected) << "CI=" << ci;
        const auto errors = ReadLines(dir.File("stderr"));
        EXPECT_NE(std::find(errors.begin(), errors.end(), "  RelayHosts.RelayQueryReachesOnlyTheRelayHost"),
                  errors.end())
            << testing::PrintToString(errors);
    }
}

}  // namespace
