// SPDX-License-Identifier: GPL-3.0-or-later
// main() of every LAN test binary: nothing runs outside a LAN box, and a
// binary whose tests did not all run is reported as skipped (failed under
// CI), never as passed.
#include <cstdio>

#include <gtest/gtest.h>

#include "tests/support/lan_box.h"

namespace {

// Names the tests that skipped, and says so loudly.
void ReportSkipped(const ::testing::UnitTest& run) {
    std::fprintf(stderr, "%d LAN test(s) did not run:\n", run.skipped_test_count());
    for (int s = 0; s < run.total_test_suite_count(); ++s) {
        const ::testing::TestSuite& suite = *run.GetTestSuite(s);
        for (int t = 0; t < suite.total_test_count(); ++t) {
            const ::testing::TestInfo& test = *suite.GetTestInfo(t);
            if (test.result() != nullptr && test.result()->Skipped())
                std::fprintf(stderr, "  %s.%s\n", suite.name(), test.name());
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    RequireLanBox();
    ::testing::InitGoogleTest(&argc, argv);
    if (RUN_ALL_TESTS() != 0) return 1;
    const ::testing::UnitTest& run = *::testing::UnitTest::GetInstance();
    if (run.test_to_run_count() == 0) {
        std::fputs("No LAN test ran: the filter matched none.\n", stderr);
        return NotRunExitCode();
    }
    if (run.skipped_test_count() > 0) {
        ReportSkipped(run);
        return NotRunExitCode();
    }
    return 0;
}
