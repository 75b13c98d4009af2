// SPDX-License-Identifier: GPL-3.0-or-later
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>

#include "tests/lan/driver/driver_lan_fixture.h"

TEST_F(DriverLan, DevicesAreListedOnceEachInDescendingModelOrder) {
    StartDevsim({Device("M2", "P1", 1), Device("M5", "P1", 2), Device("M1", "P1", 3), Device("m4", "P1", 4),
                 Device("M3", "P1", 5)});
    form.proj = "P1";
    const auto took = Search();
    EXPECT_EQ(Column(kColModel), (std::vector<std::string>{"M5", "m4", "M3", "M2", "M1"}));
    EXPECT_EQ(logic.ComUnitList.size(), 5u) << "every device answers in both cycles and is kept once";
    EXPECT_EQ(form.label1Caption, "5 device(s) found!");
    EXPECT_EQ(logic.SelectedRow, 1);
    EXPECT_FALSE(logic.SortAscending) << "the next header click orders ascending";
    EXPECT_TRUE(form.button1Enabled);
    EXPECT_EQ(form.button1Caption, "Lanvaro");
    EXPECT_GE(took.count(), 500) << "two cycles of 250 ms quiet";
    const auto queries = ReadLines(files.File("queries"));
    EXPECT_EQ(queries.size(), 2u) << "one query per cycle";
}

TEST_F(DriverLan, TheFilterHidesRowsButTheSearchCountsWhatItShows) {
    StartDevsim({Device("A", "P1", 1), Device("B", "P2", 2), Device("C", "P2", 3)});
    form.proj = "P2";
    Search();
    EXPECT_EQ(Column(kColProj), (std::vector<std::string>{"P2", "P2"}));
    EXPECT_EQ(logic.ComUnitList.size(), 3u) << "hidden devices are still kept";
    EXPECT_EQ(form.label1Caption, "2 device(s) found!");
}

TEST_F(DriverLan, NoDeviceLeavesTheHeaderAndOneEmptyRow) {
    StartDevsim({Device("A", "P1", 1)}, {"--silent"});
    form.proj = "P1";
    form.label1Caption = "3 device(s) found!";
    Search();
    EXPECT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.Cell(0, 1), "");
    EXPECT_TRUE(form.headerRowFixed);
    EXPECT_EQ(form.label1Caption, "0 device(s) found!");
    EXPECT_TRUE(form.button1Enabled);
}

TEST_F(DriverLan, ABusyReplyPortEndsTheSearchWithoutSending) {
    StartDevsim({Device("A", "P1", 1)});
    // Bound without SO_REUSEADDR, the port cannot be shared.
    const int holder = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(6667);
    ASSERT_EQ(::bind(holder, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    form.proj = "P1";
    Search();
    ::close(holder);
    EXPECT_TRUE(form.LogContains("DM_CreateUDPBroadcastSocket(6666) failed!"));
    EXPECT_TRUE(form.LogContains("bind() error"));
    EXPECT_EQ(form.label1Caption, "0 device(s) found!");
    EXPECT_TRUE(ReadLines(files.File("queries")).empty()) << "nothing may be sent";
}

TEST_F(DriverLan, AHostThatNeverStopsSendingCannotHoldTheSearch) {
    StartDevsim({Device("A", "P1", 1)}, {"--chatter"});
    form.proj = "P1";
    const auto took = Search();
    // Each cycle ends 3 s after it began at the latest; far beyond that the search hangs.
    EXPECT_LT(took.count(), 20000);
    EXPECT_GE(form.RowCount(), 2);
    EXPECT_TRUE(form.button1Enabled);
}

TEST_F(DriverLan, GarbageAnswersLeaveExactlyTheRealDevices) {
    StartDevsim({Device("A", "P1", 1), Device("B", "P1", 2)}, {"--garbage"});
    form.proj = "ALL";
    logic.Engine.SetSearchWindow(std::chrono::milliseconds(500));
    Search();
    std::vector<std::string> kept;
    for (const auto& rec : logic.ComUnitList)
        kept.push_back(std::string(rec.model) + " " + rec.ip + " " + rec.mac + " " + rec.note);
    std::sort(kept.begin(), kept.end());
    EXPECT_EQ(kept, (std::vector<std::string>{"A 203.0.113.1 00:11:22:33:00:01 note",
                                              "B 203.0.113.2 00:11:22:33:00:02 note"}));
    EXPECT_EQ(form.RowCount(), 3);
    EXPECT_EQ(form.label1Caption, "2 device(s) found!");
    EXPECT_TRUE(form.button1Enabled);
    EXPECT_EQ(form.button1Caption, "Lanvaro");
}

TEST_F(DriverLan, WithTheUpnpPartTheDriverHandsTheEndingToTheCollector) {
    StartDevsim({Device("B", "P1", 1), Device("A", "P1", 2)});
    form.proj = "ALL";
    logic.Button1Click();
    EXPECT_FALSE(form.button1Enabled);
    EXPECT_EQ(form.button1Caption, "Searching...");
    EXPECT_TRUE(logic.Engine.SearchPending());
    EXPECT_TRUE(form.RunUntil([this] { return form.button1Caption == "Search Upnp..."; }, std::chrono::seconds(10)));
    EXPECT_FALSE(logic.FormCloseQuery()) << "the window refuses to close while UPnP is pending";
    EXPECT_TRUE(form.RunUntil([this] { return !logic.Searching(); }, std::chrono::seconds(20)));
    EXPECT_FALSE(logic.Engine.SearchPending());
    EXPECT_TRUE(logic.FormCloseQuery());
    // With "ALL" the package rows keep their arrival order.
    EXPECT_EQ(Column(kColModel), (std::vector<std::string>{"B", "A"}));
    EXPECT_EQ(form.label1Caption, "2 device(s) found!");
}

TEST_F(DriverLan, ChangingTheFilterAwayFromUpnpDuringTheSearchFreesTheCloseGuard) {
    StartDevsim({Device("B", "P1", 1)});
    form.proj = "ALL";
    logic.Button1Click();
    form.proj = "P1";  // typed while the package search runs
    EXPECT_TRUE(form.RunUntil([this] { return !logic.Searching(); }, std::chrono::seconds(20)));
    EXPECT_EQ(form.label1Caption, "1 device(s) found!");
    EXPECT_TRUE(logic.FormCloseQuery());
}

TEST_F(DriverLan, AFloodOfDistinctAnswersListsAtMostTheLimitAndCountsTheRest) {
    // 250 packages a datagram, as a relay may send them; paced so that no
    // receive buffer overflows and every answer is counted.
    constexpr int kAnswering = 140000;
    StartDevsim({}, {"--count", std::to_string(kAnswering), "--device-net", "198.51.100", "--per-datagram", "250",
                     "--pace-us", "1000"});
    form.proj = "ALL";
    logic.Engine.SetSearchWindow(std::chrono::milliseconds(200));
    SearchTimings timings;
    // One query, and room for devsim to build its answer (seconds in a
    // sanitizer build): every device answers once.
    timings.cycles = 1;
    timings.quietTime = std::chrono::milliseconds(10000);
    timings.cycleLimit = std::chrono::milliseconds(60000);
    logic.SetSearchTimings(timings);
    Search(std::chrono::seconds(120));

    const SearchReport& report = logic.LastReport();
    ASSERT_FALSE(std::any_of(report.problems.begin(), report.problems.end(), [](const Problem& p) {
        return p.code == "answers-dropped";
    })) << "answers lost on the way make the count unknowable";
    EXPECT_EQ(logic.ComUnitList.size(), kMaxListedDevices);
    EXPECT_EQ(form.RowCount() - 1, static_cast<int>(kMaxListedDevices));
    EXPECT_EQ(report.replies.devices, static_cast<int>(kMaxListedDevices));
    EXPECT_EQ(report.replies.notListed, kAnswering - static_cast<int>(kMaxListedDevices));
    const auto cut = std::find_if(report.problems.begin(), report.problems.end(),
                                  [](const Problem& p) { return p.code == "too-many-answers"; });
    ASSERT_NE(cut, report.problems.end());
    EXPECT_EQ(cut->text.rfind("8,928 more answers were not listed: ", 0), 0u) << cut->text;
}
