// SPDX-License-Identifier: GPL-3.0-or-later
// A remote site through lanvaro-relay, in a routed box: the computer (host
// 1) alone on 198.51.100.0/24, a router, and the site's segment
// 203.0.113.0/24 with the relay on host 2 and 100 simulated devices on host
// 3 (both bind UDP 6666, so they cannot share a host). No broadcast of the
// computer crosses the router: whatever it lists came through the relay.

#include <algorithm>
#include <clocale>
#include <sstream>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "web/http_fetch.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kRelay = "203.0.113.2";
constexpr int kDevices = 100;
// The device Network Setup readdresses, and where to.
constexpr const char* kMovedMac = "02:4B:52:00:00:07";
constexpr const char* kNewAddress = "203.0.113.150";

// Ninety cameras and ten recorders: the HTTP relay's filter has something to
// leave out.
std::string DeviceLines() {
    std::string text;
    for (int i = 1; i <= kDevices; ++i) {
        char mac[32];
        std::snprintf(mac, sizeof mac, "02:4B:52:00:00:%02X", i);
        text += "KX-" + std::to_string(i % 5) + "," + (i % 10 == 0 ? "NVR" : "IPCam") + ",site cam " +
                std::to_string(i) + ",203.0.113." + std::to_string(19 + i) +
                ",80,255.255.255.0,203.0.113.1,203.0.113.1," + mac + ",HW1,note\n";
    }
    return text;
}

// The data lines of a CSV table, sorted.
std::vector<std::string> Rows(const std::string& csv) {
    std::vector<std::string> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line))
        if (!line.empty()) rows.push_back(line);
    std::sort(rows.begin(), rows.end());
    return rows;
}

class RelaySite : public ::testing::Test {
protected:
    void SetUp() override {
        if (!RoutedLanBox() || LanBoxAddresses().size() < 3)
            GTEST_SKIP() << "needs a routed box with two site hosts (scripts/lanbox routed --hosts 2)";
        ASSERT_EQ(LanBoxAddresses()[1], kRelay);
        ASSERT_TRUE(WriteFile(files.File("devices"), DeviceLines()));
        devsim =
            std::make_unique<DevsimProcess>(std::vector<std::string>{"--devices", files.File("devices"), "--record",
                                                                     files.File("setups"), "--setup-delay-ms", "300"},
                                            3);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    // Runs a program in host `host` (1: here); its texts.
    ProgramText Run(int host, std::vector<std::string> argv) {
        if (host > 1) argv.insert(argv.begin(), {"/bin/bash", LanboxScriptPath(), "exec", std::to_string(host), "--"});
        ++runs;
        return RunForText(argv, files.File("out" + std::to_string(runs)), files.File("err" + std::to_string(runs)), {},
                          60s);
    }
    ProgramText Cli(int host, std::vector<std::string> args) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        return Run(host, args);
    }

    // Starts lanvaro-relay on host 2 and waits for its first search.
    void StartRelay(const std::vector<std::string>& args) {
        relay.reset();
        std::vector<std::string> argv{"/bin/bash", LanboxScriptPath(), "exec", "2", "--", LANVARO_RELAY_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        ++runs;
        relayLog = files.File("relay" + std::to_string(runs));
        relay = std::make_unique<ChildProcess>(argv, ChildOptions{{}, files.File("relay-out"), relayLog});
        ASSERT_TRUE(relay->Started()) << relay->Error();
        for (int i = 0; i < 100 && ReadWholeFile(relayLog).find("site search:") == std::string::npos; ++i) {
            ASSERT_FALSE(relay->Wait(0ms).has_value()) << ReadWholeFile(relayLog);
            std::this_thread::sleep_for(100ms);
        }
        ASSERT_NE(ReadWholeFile(relayLog).find("site search: 100 devices"), std::string::npos)
            << ReadWholeFile(relayLog);
    }
    bool RelayLogged(const std::string& text) {
        for (int i = 0; i < 30; ++i) {
            if (ReadWholeFile(relayLog).find(text) != std::string::npos) return true;
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
    std::unique_ptr<ChildProcess> relay;
    std::string relayLog;
    int runs = 0;
};

TEST_F(RelaySite, TheComputerListsAndReaddressesTheSiteThroughTheRelayOnly) {
    // What a local search at the site lists, before the relay runs there.
    const ProgramText local = Cli(2, {"--filter", "IPCam", "--format", "csv"});
    ASSERT_EQ(local.status, 0) << local.err;
    const std::vector<std::string> siteRows = Rows(local.out);
    ASSERT_EQ(siteRows.size(), 90u);
    // And what the computer's own broadcast finds: nothing crosses the router.
    const ProgramText here = Cli(1, {"--filter", "IPCam", "--format", "csv"});
    EXPECT_TRUE(Rows(here.out).empty()) << here.out;

    // What the relay would serve there, its ports free.
    const ProgramText check = Run(2, {LANVARO_RELAY_PATH, "--check", "--allow", "198.51.100.0/24"});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    for (const char* line :
         {"devices searched through eth0 203.0.113.2/24", "clients allowed: 198.51.100.0/24",
          "control packages are dropped (no --allow-setup)", "ports: free", "100 devices would be served:"})
        EXPECT_NE(check.out.find(line), std::string::npos) << line << "\n" << check.out;
    EXPECT_NE(check.out.find("KX-1\tIPCam\tsite cam 1\t203.0.113.20\t80\t255.255.255.0\t02:4B:52:00:00:01"),
              std::string::npos)
        << check.out;

    StartRelay({"--allow", "198.51.100.0/24", "--cache-seconds", "1"});
    for (const char* transport : {"TCP", "UDP", "HttpCmd"}) {
        const ProgramText through =
            Cli(1, {"--relay", kRelay, "--transport", transport, "--filter", "IPCam", "--format", "csv"});
        EXPECT_EQ(through.status, 0) << through.err;
        EXPECT_EQ(Rows(through.out), siteRows) << transport;
    }
    EXPECT_TRUE(RelayLogged("198.51.100.11 http query DeviceType=IPCam: 90 devices"));

    // The window's IP Relay search.
    std::setlocale(LC_ALL, "C.UTF-8");
    EnsureQtCoreApplication();
    FakeWindow form;
    MainFormLogic logic(form);
    logic.FormCreate({114, 125, 180, 103, 29, 98, 153});
    form.proj = "IPCam";
    form.method = SearchMethod::IpRelay;
    form.relayAddress = kRelay;
    form.relayTransport = "TCP";
    logic.Button1Click();
    ASSERT_TRUE(form.RunUntil([&] { return !logic.Searching(); }, 40s));
    EXPECT_EQ(form.label1Caption, "90 device(s) found!");

    // A computer of the site's own segment is outside --allow: nothing.
    const ProgramText outside = Cli(3, {"--relay", kRelay, "--filter", "IPCam"});
    EXPECT_NE(outside.out.find("0 device(s) found!"), std::string::npos) << outside.out;
    EXPECT_TRUE(RelayLogged("203.0.113.3 tcp refused: not allowed (--allow)"));

    // Without --allow-setup a control package goes no further than the relay.
    const ProgramText dropped = Cli(1, {"setup", "--relay", kRelay, "--mac", kMovedMac, "--dhcp"});
    EXPECT_EQ(dropped.status, 0) << dropped.err;
    EXPECT_TRUE(RelayLogged("198.51.100.11 setup 02:4B:52:00:00:07: dropped, sending control packages on is off"));

    // With it (from the configuration file), the package reaches the device,
    // which takes the address, and the computer sees it there.
    ASSERT_TRUE(WriteFile(files.File("relay.conf"), "allow 198.51.100.0/24\nallow-setup yes\ncache-seconds 1\n"));
    StartRelay({"--config", files.File("relay.conf")});
    const ProgramText moved =
        Cli(1, {"setup", "--relay", kRelay, "--mac", kMovedMac, "--static", "--ip", kNewAddress, "--netmask",
                "255.255.255.0", "--gateway", "203.0.113.1", "--dns", "203.0.113.1", "--verify", "20"});
    EXPECT_EQ(moved.status, 0) << moved.out << moved.err;
    EXPECT_NE(moved.out.find(std::string("confirmed: ") + kMovedMac + " at " + kNewAddress), std::string::npos)
        << moved.out;
    EXPECT_TRUE(
        RelayLogged("198.51.100.11 setup 02:4B:52:00:00:07: sent on to the site (static "
                    "203.0.113.150/255.255.255.0)"));
    const std::vector<std::string> setups = ReadLines(files.File("setups"));
    ASSERT_EQ(setups.size(), 1u) << "only the package the relay was allowed to send on";
    EXPECT_NE(setups[0].find(std::string("Kestrova,03,")), std::string::npos) << setups[0];
    EXPECT_NE(setups[0].find(kNewAddress), std::string::npos) << setups[0];
}

}  // namespace
