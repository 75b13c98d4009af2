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

TEST(ReportProblems, AnswersPastTheListLimitAreCountedInOneProblem) {
    SearchReport report;
    report.method = kIpRelay;
    report.transport = "TCP";
    report.relay = "198.51.100.2";
    PackageSearchFacts facts;
    facts.relayAnswered = true;
    EXPECT_EQ(Find(FindProblems(report, facts, {}), "too-many-answers"), nullptr);

    report.replies.notListed = 8928;
    std::vector<Problem> problems = FindProblems(report, facts, {});
    const Problem* cut = Find(problems, "too-many-answers");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->text.rfind("8,928 more answers were not listed: ", 0), 0u) << cut->text;
    EXPECT_NE(cut->text.find("131,072"), std::string::npos) << cut->text;
    EXPECT_FALSE(cut->fix.empty());

    report.replies.notListed = 1;
    problems = FindProblems(report, facts, {});
    cut = Find(problems, "too-many-answers");
    ASSERT_NE(cut, nullptr);
    EXPECT_EQ(cut->text.rfind("1 more answer was not listed: ", 0), 0u) << cut->text;
}
