// SPDX-License-Identifier: GPL-3.0-or-later
// The HTTP command search through the search button and through lanvaro-cli,
// against devsim's HTTP relay, inside the one-host box.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <clocale>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "web/http_fetch.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using Rows = std::vector<std::vector<std::string>>;

constexpr int kPort = 8080;
const std::string kRelay = "127.0.0.1:" + std::to_string(kPort);

const std::vector<std::string> kDevices = {
    "CAM-B,VIVA,Lobby,203.0.113.20,80,255.255.255.0,203.0.113.1,203.0.113.1,00:11:22:33:44:01,cam,n1",
    "NVR-8,ORCA,Rack,203.0.113.30,8080,255.255.0.0,203.0.113.1,203.0.113.1,00:11:22:33:44:02,nvr,n2",
    "CAM-A,VIVA,Gate,203.0.113.40,81,255.255.255.0,203.0.113.1,203.0.113.1,00:11:22:33:44:03,cam,n3",
    "CAM-C,VIVA,Yard,203.0.113.50,82,255.255.255.0,203.0.113.1,203.0.113.1,00:11:22:33:44:04,cam,n4",
};

class HttpSearchLan : public testing::Test {
protected:
    static void SetUpTestSuite() { EnsureQtCoreApplication(); }

    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");
        logic_.FormCreate({114, 125, 180, 103, 29, 98, 153});
        form_.log.clear();  // the start-up's own lines
        form_.method = SearchMethod::IpRelay;
        form_.relayTransport = "HttpCmd";
        form_.relayAddress = kRelay;
    }

    void StartRelay(std::vector<std::string> options = {}) {
        std::string text;
        for (const auto& line : kDevices) text += line + "\n";
        ASSERT_TRUE(WriteFile(files_.File("devices"), text));
        std::vector<std::string> args{"--no-udp",
                                      "--devices",
                                      files_.File("devices"),
                                      "--http-relay",
                                      std::to_string(kPort),
                                      "--http-log",
                                      files_.File("http.log")};
        args.insert(args.end(), options.begin(), options.end());
        devsim_ = std::make_unique<DevsimProcess>(args);
        ASSERT_TRUE(devsim_->Start()) << devsim_->Error();
    }

    // Presses the button and acts as the window thread until the search ends.
    Clock::duration Search(std::chrono::seconds bound = 40s) {
        const auto start = Clock::now();
        logic_.Button1Click();
        EXPECT_TRUE(form_.RunUntil([this] { return !logic_.Searching(); }, bound)) << "the search did not end";
        return Clock::now() - start;
    }

    std::vector<std::string> Requests() const {
        std::vector<std::string> gets;
        for (const auto& line : ReadLines(files_.File("http.log")))
            if (line.rfind("GET ", 0) == 0) gets.push_back(line);
        return gets;
    }

    void ExpectSearchEnded(const std::string& label) {
        EXPECT_EQ(form_.label1Caption, label);
        EXPECT_TRUE(form_.button1Enabled);
        EXPECT_EQ(form_.button1Caption, "Lanvaro");
    }

    TempDir files_;
    FakeWindow form_;
    MainFormLogic logic_{form_};
    std::unique_ptr<DevsimProcess> devsim_;
};

TEST_F(HttpSearchLan, ListsTheRelaysDevicesOfTheProjectInDescendingModelOrder) {
    StartRelay();
    form_.proj = "VIVA";
    Search();
    EXPECT_EQ(form_.DataRows(),
              (Rows{{"CAM-C", "VIVA", "Yard", "203.0.113.50", "82", "255.255.255.0", "00:11:22:33:44:04"},
                    {"CAM-B", "VIVA", "Lobby", "203.0.113.20", "80", "255.255.255.0", "00:11:22:33:44:01"},
                    {"CAM-A", "VIVA", "Gate", "203.0.113.40", "81", "255.255.255.0", "00:11:22:33:44:03"}}));
    ASSERT_EQ(logic_.ComUnitList.size(), 3u);
    ExpectSearchEnded("3 device(s) found!");
    EXPECT_EQ(Requests(), std::vector<std::string>{"GET /device.get?DeviceType=VIVA\tDeviceType=VIVA\tpage=normal"});
    EXPECT_TRUE(form_.log.empty()) << testing::PrintToString(form_.log);
}

TEST_F(HttpSearchLan, RefusedRelayAddressEndsTheSearchWithoutARequest) {
    StartRelay();
    form_.proj = "VIVA";
    form_.relayAddress = "<Customized>";
    Search();
    ExpectSearchEnded("0 device(s) found!");
    EXPECT_TRUE(form_.LogContains("refused")) << testing::PrintToString(form_.log);
    // The relay logs requests in arrival order: one the refused search let
    // slip would stand before the next search's own.
    form_.relayAddress = kRelay;
    Search();
    EXPECT_EQ(Requests(), std::vector<std::string>{"GET /device.get?DeviceType=VIVA\tDeviceType=VIVA\tpage=normal"});
}

TEST_F(HttpSearchLan, RedirectToAnotherHostEndsTheSearchAsAFailedFetch) {
    StartRelay({"--http-page", "redirect-cross"});
    form_.proj = "VIVA";
    Search();
    ExpectSearchEnded("0 device(s) found!");
    EXPECT_TRUE(form_.LogContains("127.0.0.2")) << testing::PrintToString(form_.log);
    EXPECT_EQ(Requests().size(), 1u) << "nothing may be fetched where the redirect pointed";
    const auto& problems = logic_.LastReport().problems;
    EXPECT_TRUE(
        std::any_of(problems.begin(), problems.end(), [](const Problem& p) { return p.code == "relay-unreachable"; }));
}

TEST_F(HttpSearchLan, SlowRelayIsGivenUpAtTwentySecondsWithTheWindowLive) {
    StartRelay({"--http-slow"});
    form_.proj = "VIVA";
    // Something else the window has to do while the search waits.
    std::atomic<bool> ranDuringSearch{false};
    std::thread other([this, &ranDuringSearch] {
        std::this_thread::sleep_for(2s);
        form_.Post([this, &ranDuringSearch] { ranDuringSearch = logic_.Searching() && !form_.button1Enabled; });
    });
    const auto took = Search(60s);
    other.join();
    EXPECT_TRUE(ranDuringSearch) << "the window did not handle its messages while the relay was silent";
    EXPECT_GE(took, 19500ms);
    ExpectSearchEnded("0 device(s) found!");
    EXPECT_TRUE(form_.LogContains("within 20 s")) << testing::PrintToString(form_.log);
}

TEST_F(HttpSearchLan, CliPrintsTheRelaysTable) {
    StartRelay();
    const std::string out = files_.File("cli.out");
    const std::string err = files_.File("cli.err");
    ChildProcess cli({LANVARO_CLI_PATH, "--relay", kRelay, "--transport", "HttpCmd", "--filter", "ORCA"},
                     {{}, out, err});
    ASSERT_EQ(cli.Wait(60s).value_or(-1), 0) << ReadWholeFile(err);
    EXPECT_EQ(ReadWholeFile(out),
              "Model  Proj  Name  IP            Port  Netmask      Mac\n"
              "NVR-8  ORCA  Rack  203.0.113.30  8080  255.255.0.0  00:11:22:33:44:02\n"
              "1 device(s) found!\n");
}

}  // namespace
