// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/report_problems.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace {

const Problem* Find(const std::vector<Problem>& problems, const std::string& code) {
    auto it = std::find_if(problems.begin(), problems.end(), [&](const Problem& p) { return p.code == code; });
    return it == problems.end() ? nullptr : &*it;
}

struct SearchFacts {
    SearchReport report;
    PackageSearchFacts facts;
};

// A local broadcast that went out through loopback and got answers: the
// search no rule finds a problem in until a test adds one.
SearchFacts BroadcastThatWasAnswered(int datagrams) {
    SearchFacts search;
    search.report.method = kLocalBroadcast;
    search.report.transport = "UDP";
    search.report.datagrams = datagrams;
    search.facts.sends = {{0x0100007F, true}};
    return search;
}

}  // namespace

TEST(ReportProblems, AnswersDroppedByFullBuffersAreReportedWithTheLimitToRaise) {
    auto [report, facts] = BroadcastThatWasAnswered(1500);
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

namespace {

struct ConflictCase {
    const char* name;
    std::vector<RowAddress> rows;
    std::vector<AddressConflict> expected;
};

class AddressConflicts : public testing::TestWithParam<ConflictCase> {};

}  // namespace

TEST_P(AddressConflicts, AreTheAddressesDistinctDeviceMacsShare) {
    EXPECT_EQ(FindAddressConflicts(GetParam().rows), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddressConflicts,
    testing::Values(
        ConflictCase{
            "DistinctAddresses", {{"198.51.100.9", "02:00:00:00:00:01"}, {"198.51.100.10", "02:00:00:00:00:02"}}, {}},
        ConflictCase{"SharedAddressInTableOrder",
                     {{"198.51.100.9", "02:00:00:00:00:03"},
                      {"198.51.100.7", "02:00:00:00:00:07"},
                      {"198.51.100.9", "02:00:00:00:00:01"},
                      {"198.51.100.9", "02:00:00:00:00:02"}},
                     {{"198.51.100.9", {"02:00:00:00:00:03", "02:00:00:00:00:01", "02:00:00:00:00:02"}}}},
        // A camera's UPnP and ONVIF rows stand at its address without its MAC.
        ConflictCase{"NullMacRowsDoNotCount",
                     {{"198.51.100.9", "02:00:00:00:00:01"}, {"198.51.100.9", "NULL"}, {"198.51.100.9", "NULL"}},
                     {}},
        ConflictCase{"OneMacWrittenTwoWaysIsOneDevice",
                     {{"198.51.100.9", "02:4b:43:00:00:01"}, {"198.51.100.9", "02-4B-43-00-00-01"}},
                     {}},
        ConflictCase{"RowsWithoutAnAddressDoNotCount", {{"", "02:00:00:00:00:01"}, {"", "02:00:00:00:00:02"}}, {}},
        ConflictCase{"EveryConflictingAddress",
                     {{"203.0.113.5", "A1"}, {"198.51.100.9", "B1"}, {"203.0.113.5", "A2"}, {"198.51.100.9", "B2"}},
                     {{"203.0.113.5", {"A1", "A2"}}, {"198.51.100.9", {"B1", "B2"}}}}),
    [](const testing::TestParamInfo<ConflictCase>& param) { return std::string(param.param.name); });

TEST(ReportProblems, AddressConflictNamesEveryAddressAndItsMacsWithTheBatchFix) {
    auto [report, facts] = BroadcastThatWasAnswered(5);
    EXPECT_EQ(Find(FindProblems(report, facts, {}), "address-conflict"), nullptr);

    report.addressConflicts = {{"198.51.100.9", {"M1", "M2", "M3"}}, {"203.0.113.5", {"A1", "A2"}}};
    const std::vector<Problem> problems = FindProblems(report, facts, {});
    const Problem* conflict = Find(problems, "address-conflict");
    ASSERT_NE(conflict, nullptr);
    EXPECT_EQ(conflict->text,
              "3 devices answer with the address 198.51.100.9: M1, M2, M3; 2 devices answer with the address "
              "203.0.113.5: A1, A2.");
    EXPECT_NE(conflict->fix.find("Network Setup"), std::string::npos);
}

TEST(ReportProblems, ConflictToolTipAlsoSaysOutsideNetworksWhereBothApply) {
    const AddressConflict conflict{"198.51.100.9", {"M1", "M2"}};
    const std::string alone = AddressConflictToolTip(conflict, false);
    const std::string both = AddressConflictToolTip(conflict, true);
    EXPECT_NE(alone.find("2 devices answer with the address 198.51.100.9"), std::string::npos) << alone;
    EXPECT_EQ(alone.find("outside this computer's networks"), std::string::npos) << alone;
    EXPECT_EQ(both.rfind(alone, 0), 0u) << both;
    EXPECT_NE(both.find(OutsideNetworksToolTip("198.51.100.9")), std::string::npos) << both;
}

TEST(ReportProblems, OutsideNetworksNamesAFewAddressesAndCountsTheRest) {
    auto [report, facts] = BroadcastThatWasAnswered(1);
    for (int i = 0; i < 1000; ++i)
        report.outsideNetworks.push_back("203.0." + std::to_string(i / 250) + "." + std::to_string(i % 250 + 1));
    const std::vector<Problem> problems = FindProblems(report, facts, {});
    const Problem* outside = Find(problems, "devices-outside-networks");
    ASSERT_NE(outside, nullptr);
    EXPECT_NE(outside->text.find("203.0.0.20 and 980 more"), std::string::npos) << outside->text;
    EXPECT_EQ(outside->text.find("203.0.0.21"), std::string::npos) << outside->text;
}

TEST(ReportProblems, AddressConflictNamesAFewMacsAndAddressesAndCountsTheRest) {
    auto [report, facts] = BroadcastThatWasAnswered(1);
    for (int a = 0; a < 25; ++a) {
        AddressConflict conflict{"203.0.113." + std::to_string(a + 1), {}};
        for (int m = 0; m < (a == 0 ? 1000 : 2); ++m) conflict.macs.push_back("M" + std::to_string(m));
        report.addressConflicts.push_back(conflict);
    }
    const std::vector<Problem> problems = FindProblems(report, facts, {});
    const Problem* conflict = Find(problems, "address-conflict");
    ASSERT_NE(conflict, nullptr);
    EXPECT_EQ(conflict->text.rfind("1,000 devices answer with the address 203.0.113.1: M0, M1, ", 0), 0u)
        << conflict->text;
    EXPECT_NE(conflict->text.find("M19 and 980 more; "), std::string::npos) << conflict->text;
    EXPECT_EQ(conflict->text.find("M20"), std::string::npos) << conflict->text;
    EXPECT_NE(conflict->text.find("; and 5 more shared addresses."), std::string::npos) << conflict->text;
}

// An Address Range search names no relay and sends no broadcast: neither
// family of problems may be raised, even when nothing answered.
TEST(ReportProblems, AnAddressRangeSearchHasNoRelayOrBroadcastProblems) {
    SearchReport report;
    report.method = kAddressRange;
    report.transport = "UDP";
    report.range = RangeReport{};
    EXPECT_TRUE(FindProblems(report, PackageSearchFacts{}, {}).empty());
}

namespace {

struct RelayAnswerCase {
    const char* name;
    std::string transport;
    int datagrams;
    int devices;
    int pageRows;
    bool connectFailed;
    bool fetchFailed;
    std::string code;  // the relay problem found, "" for none
};
void PrintTo(const RelayAnswerCase& c, std::ostream* os) { *os << c.name; }

class RelayAnswers : public testing::TestWithParam<RelayAnswerCase> {};

}  // namespace

TEST_P(RelayAnswers, AnEmptyAnswerIsToldApartFromNoAnswer) {
    const RelayAnswerCase& c = GetParam();
    SearchReport report;
    report.method = kIpRelay;
    report.transport = c.transport;
    report.relay = "203.0.113.2";
    report.filter = "ALL";
    report.datagrams = c.datagrams;
    report.replies.devices = c.devices;
    report.pageRows = c.pageRows;
    PackageSearchFacts facts;
    facts.relayConnectFailed = c.connectFailed;
    facts.relayAnswered = c.transport == "TCP" && c.datagrams > 0;
    facts.httpFetchFailed = c.fetchFailed;
    const std::vector<Problem> problems = FindProblems(report, facts, {});
    const Problem* unreachable = Find(problems, "relay-unreachable");
    const Problem* empty = Find(problems, "relay-empty");
    EXPECT_EQ(unreachable != nullptr ? "relay-unreachable" : empty != nullptr ? "relay-empty" : "", c.code);
    if (unreachable != nullptr) {
        EXPECT_NE(unreachable->fix.find("is lanvaro-relay running there, and is this computer allowed?"),
                  std::string::npos)
            << unreachable->fix;
    }
    if (empty != nullptr) {
        EXPECT_EQ(empty->text, "The relay at 203.0.113.2 answered with no devices.");
        EXPECT_NE(empty->fix.find("lanvaro-relay --check"), std::string::npos) << empty->fix;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Relays, RelayAnswers,
    testing::Values(RelayAnswerCase{"TcpRefused", "TCP", 0, 0, 0, true, false, "relay-unreachable"},
                    RelayAnswerCase{"TcpClosedWithoutAWord", "TCP", 0, 0, 0, false, false, "relay-unreachable"},
                    RelayAnswerCase{"TcpEmptyMessage", "TCP", 1, 0, 0, false, false, "relay-empty"},
                    RelayAnswerCase{"TcpDevices", "TCP", 1, 100, 0, false, false, ""},
                    RelayAnswerCase{"UdpSilent", "UDP", 0, 0, 0, false, false, "relay-unreachable"},
                    RelayAnswerCase{"UdpEmptyPackage", "UDP", 2, 0, 0, false, false, "relay-empty"},
                    RelayAnswerCase{"UdpDevices", "UDP", 200, 100, 0, false, false, ""},
                    RelayAnswerCase{"HttpNotServed", "HttpCmd", 0, 0, 0, false, true, "relay-unreachable"},
                    RelayAnswerCase{"HttpNoItems", "HttpCmd", 1, 0, 0, false, false, "relay-empty"},
                    RelayAnswerCase{"HttpRows", "HttpCmd", 1, 0, 100, false, false, ""}),
    [](const testing::TestParamInfo<RelayAnswerCase>& param) { return std::string(param.param.name); });

TEST(ReportProblems, AnEmptyHttpRelayPageNamesTheFilterItWasAskedFor) {
    SearchReport report;
    report.method = kIpRelay;
    report.transport = "HttpCmd";
    report.relay = "203.0.113.2:8080";
    report.filter = "NVR";
    report.datagrams = 1;
    const std::vector<Problem> problems = FindProblems(report, {}, {});
    const Problem* empty = Find(problems, "relay-empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_NE(empty->fix.find("\"NVR\""), std::string::npos) << empty->fix;
}
