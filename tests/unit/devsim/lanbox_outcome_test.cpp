// SPDX-License-Identifier: GPL-3.0-or-later
// scripts/lanbox tells a machine that allows no namespace (skip, said loudly;
// a failure under CI) from a box that broke (a failure). Stand-in tools that
// fail make each case; nothing is ever sent.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

namespace {

using namespace std::chrono_literals;

struct Outcome {
    int status = -1;
    std::string firstError;
};

// Runs `lanbox one -- true` with the named tools replaced by ones that fail.
Outcome RunWithFailing(const std::vector<std::string>& tools, const std::string& ci) {
    TempDir dir;
    for (const std::string& tool : tools) {
        EXPECT_TRUE(WriteFile(dir.File(tool), "#!/bin/sh\nexit 1\n"));
        std::filesystem::permissions(dir.File(tool), std::filesystem::perms::owner_all);
    }
    const char* path = std::getenv("PATH");
    ChildOptions options;
    options.env = {"PATH=" + dir.Path() + ":" + (path != nullptr ? path : "/usr/bin:/bin"), "CI=" + ci};
    options.stderrPath = dir.File("stderr");
    ChildProcess box({"/bin/bash", LanboxScriptPath(), "one", "--", "true"}, options);
    Outcome outcome;
    if (auto status = box.Wait(30s)) outcome.status = *status;
    const auto lines = ReadLines(dir.File("stderr"));
    if (!lines.empty()) outcome.firstError = lines[0];
    return outcome;
}

TEST(LanBoxOutcome, NoNamespaceSkipsButFailsUnderCiAndABrokenBoxFails) {
    Outcome none = RunWithFailing({"unshare"}, "");
    EXPECT_EQ(none.status, kSkipExitCode);
    EXPECT_NE(none.firstError.find("SKIPPED"), std::string::npos) << none.firstError;

    none = RunWithFailing({"unshare"}, "true");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.firstError.find("FAILED"), std::string::npos) << none.firstError;

    const Outcome probe = RunWithFailing({}, "");
    if (probe.status != 0) GTEST_SKIP() << "this machine allows no namespace: " << probe.firstError;
    // The namespace is made; setting up its loopback and route is what fails.
    const Outcome broken = RunWithFailing({"ip"}, "");
    EXPECT_EQ(broken.status, 125);
    EXPECT_NE(broken.firstError.find("FAILED"), std::string::npos) << broken.firstError;
}

}  // namespace
