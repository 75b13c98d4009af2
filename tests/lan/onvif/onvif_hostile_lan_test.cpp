// SPDX-License-Identifier: GPL-3.0-or-later
// ONVIF searches beside hosts that are no ONVIF camera: one flooding the
// group with huge Hellos, and a computer announcing itself with Debian's
// wsdd, the WS-Discovery daemon that makes it visible to Windows.

#include <sys/resource.h>

#include <atomic>
#include <fstream>
#include <regex>
#include <thread>

#include <gtest/gtest.h>

#include "onvif/wsd_search.h"
#include "tests/support/lan_box.h"

namespace {

// A number of the report's onvif part, -1 when it has none.
int OnvifNumber(const std::string& json, const std::string& key) {
    const std::size_t part = json.find("\"onvif\": {");
    if (part == std::string::npos) return -1;
    const std::string onvif = json.substr(part, json.find('}', part) - part);
    std::smatch match;
    if (!std::regex_search(onvif, match, std::regex("\"" + key + "\": ([0-9]+)"))) return -1;
    return std::stoi(match[1]);
}

bool RunIp(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/sbin/ip");
    ChildProcess ip(args);
    return ip.Wait(std::chrono::seconds(10)).value_or(-1) == 0;
}

TEST(OnvifHostileLan, AFloodOfHugeHellosKeepsTheSearchSmallAndOnTime) {
    DevsimProcess devsim({"--no-udp", "--onvif", "2", "--onvif-hello-flood"});
    ASSERT_TRUE(devsim.Start()) << devsim.Error();
    TempDir files;
    const std::string report = files.File("report.json");
    ChildProcess cli({LANVARO_CLI_PATH, "--filter", "ONVIF", "--report", report},
                     {{}, files.File("out"), files.File("err")});
    // Hang bound only: the search itself takes about 1.4 s.
    ASSERT_EQ(cli.Wait(std::chrono::seconds(10)).value_or(-1), 0) << ReadWholeFile(files.File("err"));

    // The largest child reaped so far; devsim still runs, so it is the CLI's
    // or a smaller one's.
    rusage usage{};
    ASSERT_EQ(::getrusage(RUSAGE_CHILDREN, &usage), 0);
    EXPECT_LT(usage.ru_maxrss, 100 * 1024) << "kB resident";

    const std::string json = ReadWholeFile(report);
    EXPECT_EQ(OnvifNumber(json, "devices"), 2) << json;
    EXPECT_GE(OnvifNumber(json, "cut"), 10) << json;
    EXPECT_GE(OnvifNumber(json, "other"), 10) << json;
    EXPECT_EQ(ReadWholeFile(files.File("out")).find("203.0.113.66"), std::string::npos) << "a flood Hello made a row";
}

bool WriteProc(const std::string& path, const std::string& value) {
    std::ofstream out(path);
    out << value;
    return static_cast<bool>(out.flush());
}

// A computer beside the cameras: a veth pair in the box gives wsdd a card
// that can multicast (loopback cannot). wsdd turns multicast loop off, so its
// datagrams reach this namespace's sockets only through the peer, which must
// then accept a source address of its own namespace.
TEST(OnvifHostileLan, AComputerRunningWsddIsCountedNotListed) {
    ASSERT_TRUE(RunIp({"link", "add", "wsd0", "type", "veth", "peer", "name", "wsd1"}));
    ASSERT_TRUE(RunIp({"addr", "add", "198.51.100.2/24", "dev", "wsd0"}) &&
                RunIp({"addr", "add", "198.51.100.3/24", "dev", "wsd1"}) && RunIp({"link", "set", "wsd0", "up"}) &&
                RunIp({"link", "set", "wsd1", "up"}));
    ASSERT_TRUE(WriteProc("/proc/sys/net/ipv4/conf/wsd0/accept_local", "1"));

    // wsdd may take seconds to start on a busy machine: the search listens
    // until wsdd has announced itself, within a bound.
    WsdSearchTimings timings;
    timings.window = std::chrono::seconds(20);
    std::atomic<bool> cancel{false};
    WsdSearchResult result;
    std::thread search([&] { result = RunWsdSearch(timings, cancel); });
    TempDir files;
    const std::string wsddLog = files.File("wsdd.err");
    ChildProcess wsdd({"/usr/sbin/wsdd", "-v", "-4", "-i", "wsd1", "-n", "fileserver"},
                      {{}, files.File("wsdd.out"), wsddLog});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (ReadWholeFile(wsddLog).find("Hello") == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // wsdd sends its Hello after a random delay of up to half a second.
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    cancel = true;
    search.join();
    wsdd.Stop();
    RunIp({"link", "del", "wsd0"});

    std::string log;
    for (const std::string& line : result.log) log += line + "\n";
    EXPECT_TRUE(result.devices.empty()) << log;
    EXPECT_EQ(result.counts.matches, 0);
    EXPECT_GE(result.counts.other, 1) << "wsdd's Hello was not heard\n" << ReadWholeFile(wsddLog);
}

}  // namespace
