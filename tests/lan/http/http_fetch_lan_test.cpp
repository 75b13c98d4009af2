// SPDX-License-Identifier: GPL-3.0-or-later
// FetchHtml against devsim's HTTP relay, inside the one-host box.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "web/html_table_parser.h"
#include "web/http_command.h"
#include "web/http_fetch.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Lines = std::vector<std::string>;
using Rows = std::vector<std::vector<std::string>>;

constexpr int kPort = 8080;
const std::string kRelay = "127.0.0.1:" + std::to_string(kPort);

const Lines kDeviceLines = {
    "IPCAM-200,VIVA,Lobby,203.0.113.20,80,255.255.255.0,203.0.113.1,203.0.113.1,00:11:22:33:44:01,cam,n1",
    "NVR-8,ORCA,Rack,203.0.113.30,8080,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:02,nvr,n2",
    "IPCAM-300,VIVA,Gate,203.0.113.40,81,255.255.255.0,203.0.113.1,203.0.113.1,00:11:22:33:44:03,cam,n3",
};

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t comma; (comma = line.find(',', start)) != std::string::npos; start = comma + 1)
        fields.push_back(line.substr(start, comma - start));
    fields.push_back(line.substr(start));
    return fields;
}

// The grid row of a device line: model, proj, name, ip, port, netmask, mac.
std::vector<std::string> RowOf(const std::string& deviceLine) {
    const auto f = Split(deviceLine);
    return {f[0], f[1], f[2], f[3], f[4], f[5], f[8]};
}

Rows RowsOf(const Lines& deviceLines) {
    Rows rows;
    for (const auto& line : deviceLines) rows.push_back(RowOf(line));
    return rows;
}

struct Fetched {
    bool ok = false;
    Lines lines;
    Clock::duration took{};
};

class HttpFetchLan : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureQtCoreApplication(); }

    void SetUp() override {
        std::string devices;
        for (const auto& line : kDeviceLines) devices += line + "\n";
        ASSERT_TRUE(WriteFile(dir_.File("devices"), devices));
        devsim_ = std::make_unique<DevsimProcess>(
            std::vector<std::string>{"--no-udp", "--devices", dir_.File("devices"), "--http-relay",
                                     std::to_string(kPort), "--http-log", LogPath(), "--duration", "100"});
        ASSERT_TRUE(devsim_->Start()) << devsim_->Error();
    }

    std::string LogPath() const { return dir_.File("http.log"); }

    // The driver's way: on a worker thread; this thread runs no Qt loop.
    Fetched Fetch(const std::string& relay, const std::string& path, std::chrono::milliseconds timeout = 20s) {
        Fetched result;
        const auto start = Clock::now();
        std::thread worker([&] { result.ok = FetchHtml(form_, relay, path, result.lines, cancel_, timeout); });
        worker.join();
        result.took = Clock::now() - start;
        return result;
    }

    static Rows Parse(Lines lines) {
        FakeWindow form;
        TComUnitList list;
        form.SetRowCount(1);
        CleanHtml(lines);
        PhaseItem(form, list, lines);
        EXPECT_EQ(list.size(), form.DataRows().size());
        return form.DataRows();
    }

    Lines RequestsSeen() const {
        Lines gets;
        for (const auto& line : ReadLines(LogPath()))
            if (line.rfind("GET ", 0) == 0) gets.push_back(line);
        return gets;
    }

    // Waits (bounded) for a line of the relay's log that starts with `prefix`.
    std::string WaitForLogLine(const std::string& prefix, std::chrono::milliseconds timeout) const {
        const auto deadline = Clock::now() + timeout;
        do {
            for (const auto& line : ReadLines(LogPath()))
                if (line.rfind(prefix, 0) == 0) return line;
            std::this_thread::sleep_for(50ms);
        } while (Clock::now() < deadline);
        return {};
    }

    TempDir dir_;
    std::unique_ptr<DevsimProcess> devsim_;
    FakeWindow form_;
    std::atomic<bool> cancel_{false};
};

std::string PagePath(const std::string& proj, const std::string& page) {
    return HttpCommandPath(proj) + "&page=" + page;
}

TEST_F(HttpFetchLan, NormalPageGivesTheRelaysDevicesOfTheProject) {
    Fetched all = Fetch(kRelay, HttpCommandPath("ALL"));
    ASSERT_TRUE(all.ok) << testing::PrintToString(form_.log);
    EXPECT_EQ(Parse(all.lines), RowsOf(kDeviceLines));

    Fetched orca = Fetch(kRelay, HttpCommandPath("ORCA"));
    ASSERT_TRUE(orca.ok);
    EXPECT_EQ(Parse(orca.lines), RowsOf({kDeviceLines[1]}));

    EXPECT_TRUE(form_.log.empty()) << testing::PrintToString(form_.log);
    const Lines gets = RequestsSeen();
    ASSERT_EQ(gets.size(), 2u);
    EXPECT_EQ(gets[0], "GET /device.get?DeviceType=ALL\tDeviceType=ALL\tpage=normal");
    EXPECT_EQ(gets[1], "GET /device.get?DeviceType=ORCA\tDeviceType=ORCA\tpage=normal");
}

TEST_F(HttpFetchLan, FilterTextReachesTheRelayAsOneValue) {
    // Sent raw, the "&page=huge" would have chosen the relay's page and the
    // "#" would have cut the request.
    Fetched f = Fetch(kRelay, HttpCommandPath("A b&page=huge#x%"));
    ASSERT_TRUE(f.ok);
    EXPECT_EQ(Parse(f.lines), Rows{});
    const Lines gets = RequestsSeen();
    ASSERT_EQ(gets.size(), 1u);
    EXPECT_NE(gets[0].find("\tDeviceType=A b&page=huge#x%\tpage=normal"), std::string::npos) << gets[0];
}

struct VariantCase {
    const char* page;
    Rows rows;
};
void PrintTo(const VariantCase& c, std::ostream* os) { *os << c.page; }

class HttpPageVariant : public HttpFetchLan, public testing::WithParamInterface<VariantCase> {};

TEST_P(HttpPageVariant, ParsesAsTheToolReadsIt) {
    Fetched f = Fetch(kRelay, PagePath("ALL", GetParam().page));
    ASSERT_TRUE(f.ok) << testing::PrintToString(form_.log);
    EXPECT_EQ(Parse(f.lines), GetParam().rows);
}

Rows CellCountRows() {
    Rows rows = RowsOf(kDeviceLines);
    for (auto& cell : {4, 5, 6}) rows[1][static_cast<std::size_t>(cell)].clear();  // the second device has four cells
    return rows;
}

INSTANTIATE_TEST_SUITE_P(Pages, HttpPageVariant,
                         testing::Values(VariantCase{"indented", RowsOf(kDeviceLines)},
                                         VariantCase{"first-tags", RowsOf(kDeviceLines)},
                                         VariantCase{"cell-counts", CellCountRows()},
                                         VariantCase{"upper-case", Rows(3, std::vector<std::string>(7))},
                                         VariantCase{"no-items", Rows{}}),
                         [](const auto& row) {
                             std::string name = row.param.page;
                             name.erase(std::remove(name.begin(), name.end(), '-'), name.end());
                             return name;
                         });

TEST_F(HttpFetchLan, AnswerOverOneMebibyteIsCutAndNotReadFurther) {
    Fetched f = Fetch(kRelay, PagePath("ALL", "huge"));
    ASSERT_TRUE(f.ok) << testing::PrintToString(form_.log);
    std::size_t bytes = 0;
    for (const auto& line : f.lines) bytes += line.size() + 1;
    EXPECT_LE(bytes, kHtmlAnswerLimit + 1);
    EXPECT_GT(bytes, kHtmlAnswerLimit - 64);
    ASSERT_FALSE(f.lines.empty());
    EXPECT_EQ(f.lines.back(), std::string(f.lines.back().size(), 'x'));
    // The devices before the cut are all there.
    Rows rows = Parse(f.lines);
    ASSERT_GE(rows.size(), kDeviceLines.size());
    rows.resize(kDeviceLines.size());
    EXPECT_EQ(rows, RowsOf(kDeviceLines));
    // The relay could not hand over its 16 MiB: the fetch stopped reading.
    const std::string sent = WaitForLogLine("SENT ", 10s);
    ASSERT_FALSE(sent.empty());
    const std::size_t of = sent.find(" of ");
    ASSERT_NE(of, std::string::npos);
    EXPECT_LT(std::stoull(sent.substr(5, of - 5)), std::stoull(sent.substr(of + 4))) << sent;
}

// The real 20 s is waited out once, through the search button.
TEST_F(HttpFetchLan, SlowRelayIsGivenUpAtTheTimeout) {
    Fetched f = Fetch(kRelay, PagePath("ALL", "slow"), 2s);
    EXPECT_FALSE(f.ok);
    EXPECT_TRUE(f.lines.empty());
    EXPECT_GE(f.took, 1950ms);
    EXPECT_LT(f.took, 10s) << "the 2 s limit did not hold";
    ASSERT_EQ(form_.log.size(), 1u);
    EXPECT_NE(form_.log[0].find("within 2 s"), std::string::npos) << form_.log[0];
    EXPECT_FALSE(WaitForLogLine("CLOSED", 5s).empty()) << "the connection was left open";
}

TEST_F(HttpFetchLan, CancelEndsTheWaitAtOnce) {
    std::thread canceller([this] {
        std::this_thread::sleep_for(300ms);
        cancel_ = true;
    });
    Fetched f = Fetch(kRelay, PagePath("ALL", "slow"));
    canceller.join();
    EXPECT_FALSE(f.ok);
    EXPECT_TRUE(f.lines.empty());
    EXPECT_LT(f.took, 1500ms);
    ASSERT_EQ(form_.log.size(), 1u);
    EXPECT_NE(form_.log[0].find("cancelled"), std::string::npos) << form_.log[0];
}

TEST_F(HttpFetchLan, RefusedRelayAddressSendsNoRequest) {
    for (const std::string relay : {"127.0.0.1/device.get?DeviceType=ALL#", "x@127.0.0.1:8080", "http://127.0.0.1:8080",
                                    " 127.0.0.1:8080", "127.0.0.1:8080 ", "<Customized>", ""}) {
        form_.log.clear();
        Lines lines{"stale"};
        EXPECT_FALSE(FetchHtml(form_, relay, HttpCommandPath("ALL"), lines, cancel_)) << relay;
        EXPECT_TRUE(lines.empty()) << relay;
        ASSERT_EQ(form_.log.size(), 1u) << relay;
        EXPECT_NE(form_.log[0].find("refused"), std::string::npos) << form_.log[0];
    }
    // The relay logs requests in arrival order: one that slipped through
    // would stand before this one.
    ASSERT_TRUE(Fetch(kRelay, HttpCommandPath("ALL")).ok) << testing::PrintToString(form_.log);
    const Lines seen = RequestsSeen();
    ASSERT_EQ(seen.size(), 1u) << testing::PrintToString(seen);
    EXPECT_EQ(seen[0].rfind("GET " + HttpCommandPath("ALL"), 0), 0u) << seen[0];
}

TEST_F(HttpFetchLan, RedirectsAreFollowedWithinBounds) {
    Fetched f = Fetch(kRelay, PagePath("VIVA", "redirect"));
    ASSERT_TRUE(f.ok) << testing::PrintToString(form_.log);
    EXPECT_EQ(Parse(f.lines), RowsOf({kDeviceLines[0], kDeviceLines[2]}));
    EXPECT_EQ(RequestsSeen().size(), 2u);

    const auto before = RequestsSeen().size();
    Fetched loop = Fetch(kRelay, PagePath("ALL", "redirect-loop"));
    EXPECT_FALSE(loop.ok);
    EXPECT_TRUE(loop.lines.empty());
    ASSERT_EQ(form_.log.size(), 1u);
    EXPECT_NE(form_.log[0].find("failed"), std::string::npos) << form_.log[0];
    const auto loops = RequestsSeen().size() - before;
    EXPECT_GT(loops, 1u);
    EXPECT_LE(loops, 25u);
}

TEST_F(HttpFetchLan, RedirectToAnotherHostIsNotFollowed) {
    Fetched f = Fetch(kRelay, PagePath("VIVA", "redirect-cross"));
    EXPECT_FALSE(f.ok);
    EXPECT_TRUE(f.lines.empty());
    ASSERT_EQ(form_.log.size(), 1u) << testing::PrintToString(form_.log);
    EXPECT_NE(form_.log[0].find("redirected to http://127.0.0.2:" + std::to_string(kPort) + "/"), std::string::npos)
        << form_.log[0];
    // The relay answers on every loopback address: a followed redirect would
    // stand in its log as a second request.
    EXPECT_EQ(RequestsSeen().size(), 1u) << testing::PrintToString(RequestsSeen());
}

TEST_F(HttpFetchLan, ErrorStatusIsNoPage) {
    Fetched f = Fetch(kRelay, PagePath("ALL", "error"));
    EXPECT_FALSE(f.ok);
    EXPECT_TRUE(f.lines.empty());
    ASSERT_EQ(form_.log.size(), 1u);
    EXPECT_NE(form_.log[0].find("500"), std::string::npos) << form_.log[0];
}

TEST_F(HttpFetchLan, NoRelayListeningFailsWithAReason) {
    Fetched f = Fetch("127.0.0.1:8099", HttpCommandPath("ALL"), 5s);
    EXPECT_FALSE(f.ok);
    EXPECT_LT(f.took, 3s);
    ASSERT_EQ(form_.log.size(), 1u);
    EXPECT_NE(form_.log[0].find("failed"), std::string::npos) << form_.log[0];
}

TEST_F(HttpFetchLan, BinaryAnswerIsReadUpToItsFirstZeroByte) {
    Fetched f = Fetch(kRelay, PagePath("ALL", "binary"));
    ASSERT_TRUE(f.ok) << testing::PrintToString(form_.log);
    for (const auto& line : f.lines) EXPECT_EQ(line.find('\0'), std::string::npos);
    Rows rows = Parse(f.lines);
    ASSERT_GE(rows.size(), kDeviceLines.size());
    rows.resize(kDeviceLines.size());
    EXPECT_EQ(rows, RowsOf(kDeviceLines));
}

TEST_F(HttpFetchLan, WorksOnTheMainThreadAndAfterAWorkerHasGone) {
    ASSERT_TRUE(Fetch(kRelay, HttpCommandPath("ALL")).ok);
    Lines lines;
    ASSERT_TRUE(FetchHtml(form_, kRelay, HttpCommandPath("ALL"), lines, cancel_));
    EXPECT_EQ(Parse(lines), RowsOf(kDeviceLines));
    ASSERT_TRUE(Fetch(kRelay, HttpCommandPath("ALL")).ok);
}

}  // namespace
