#include "report/report_problems.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

const Problem* Find(const std::vector<Problem>& problems, const std::string& code) {
    auto it = std::find_if(problems.begin(), problems.end(), [&](const Problem& p) { return p.code == code; });
    return it == problems.end() ? nullptr : &*it;
}

}  // namespace

TEST(ReportProblems, AnswersDroppedByFullBuffersAreReportedWithTheLimitToRaise) {
    SearchReport report;
    report.method = kLocalBroadcast;
    report.transport = "UDP";
    report.datagrams = 1500;
    PackageSearchFacts facts;
    facts.sends = {{0x0100007F, true}};
    EXPECT_EQ(Find(FindProblems(report, facts, {}), "answers-dropped"), nullptr);

    facts.replyDrops = 500;
    const std::vector<Problem> problems = FindProblems(report, facts, {});
    const Problem* dropped = Find(problems, "answers-dropped");
    ASSERT_NE(dropped, nullptr);
    EXPECT_NE(dropped->text.find("500 answers were dropped"), std::string::npos) << dropped->text;
    EXPECT_NE(dropped->fix.find("net.core.rmem_max"), std::string::npos) << dropped->fix;
}
