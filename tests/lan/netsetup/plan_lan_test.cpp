// SPDX-License-Identifier: GPL-3.0-or-later
// `lanvaro-cli setup --plan` end to end in a one-host box: new cameras that
// all answer on one factory address get the site's addresses and are seen
// there afterwards; a plan with one address already taken sends nothing.

#include <algorithm>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "tests/lan/netsetup/recorded_packages.h"
#include "tests/support/lan_box.h"

namespace {

std::string Mac(int i) {
    char text[32];
    std::snprintf(text, sizeof text, "02:4B:43:00:%02X:%02X", (i >> 8) & 0xFF, i & 0xFF);
    return text;
}

std::string Address(int host) { return "198.51.100." + std::to_string(host); }

class PlanLan : public testing::Test {
protected:
    void StartDevsim(int conflicting, std::vector<std::string> more) {
        more.insert(more.end(), {"--conflicts", std::to_string(conflicting), "--count", "1", "--device-net",
                                 "198.51.100", "--record", Recorded()});
        devsim = std::make_unique<DevsimProcess>(more);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }
    // One line per new camera, addresses from .100 up.
    std::string Plan(int count) const {
        std::string plan = "gateway,dns,mac,netmask,ip\r\n";
        for (int i = 0; i < count; ++i)
            plan += "198.51.100.254,198.51.100.53," + Mac(i) + ",255.255.255.0," + Address(100 + i) + "\r\n";
        return plan;
    }
    ProgramRun RunPlan(const std::string& plan, std::vector<std::string> more) {
        EXPECT_TRUE(WriteFile(files.File("plan.csv"), plan));
        more.insert(more.begin(), {LANVARO_CLI_PATH, "setup", "--plan", files.File("plan.csv"), "--filter", "IPCam"});
        return RunToEnd(more, files.File("out"), files.File("err"), std::chrono::seconds(120));
    }
    std::string Recorded() const { return files.File("recorded"); }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
};

TEST_F(PlanLan, TwentyCamerasOnOneAddressAreSentTheirAddressesAndConfirmed) {
    StartDevsim(20, {"--setup-delay-ms", "500"});
    const ProgramRun run = RunPlan(Plan(20), {"--verify", "40"});
    EXPECT_EQ(run.status, 0) << (run.err.empty() ? "" : run.err.front());
    std::vector<std::string> sent, confirmed;
    for (const std::string& line : run.out) {
        if (line.rfind("sent: ", 0) == 0) sent.push_back(line);
        if (line.rfind("confirmed: ", 0) == 0) confirmed.push_back(line);
    }
    ASSERT_EQ(sent.size(), 20u);
    ASSERT_EQ(confirmed.size(), 20u);
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(sent[static_cast<std::size_t>(i)], "sent: " + Mac(i) + " -> " + Address(100 + i));
        const std::regex line("confirmed: " + Mac(i) + " at " +
                              std::regex_replace(Address(100 + i), std::regex("\\."), "\\.") + " after \\d+\\.\\d s");
        EXPECT_TRUE(std::any_of(confirmed.begin(), confirmed.end(), [&line](const std::string& c) {
            return std::regex_match(c, line);
        })) << Mac(i);
    }
    EXPECT_EQ(WaitForRecorded(Recorded(), 20).size(), 20u);
}

TEST_F(PlanLan, APlanWithOneAddressHeldByAnotherDeviceIsRefusedWhole) {
    StartDevsim(3, {});
    // Line 4 asks for the address of the generated device at .10.
    std::string plan = Plan(2) + "198.51.100.254,198.51.100.53," + Mac(2) + ",255.255.255.0,198.51.100.10\r\n";
    const ProgramRun run = RunPlan(plan, {"--verify", "5"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(run.out.empty()) << run.out.front();
    EXPECT_EQ(run.err, (std::vector<std::string>{
                           "line 4: The address 198.51.100.10 is already used by cam-00001 (02:4B:56:00:00:00).",
                           "lanvaro-cli setup: plan refused, nothing sent"}));
    // Nothing arrives: give a stray package time to be recorded.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(ReadLines(Recorded()).empty());

    // The same plan, forced past the used address, only says what it would send.
    const ProgramRun dry = RunPlan(plan, {"--force", "--dry-run"});
    EXPECT_EQ(dry.status, 0);
    ASSERT_EQ(dry.out.size(), 3u);
    EXPECT_EQ(dry.out[2], "would send: " + Mac(2) +
                              " -> 198.51.100.10 netmask 255.255.255.0 gateway 198.51.100.254 "
                              "dns 198.51.100.53");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_TRUE(ReadLines(Recorded()).empty());
}

}  // namespace
