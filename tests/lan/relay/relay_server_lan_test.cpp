// SPDX-License-Identifier: GPL-3.0-or-later
// The relay's service in one box: the window's own relay searches against
// it, and clients it must refuse, slow down or share a search between. The
// site's search is made up (a one-host box has no site), so this is about
// the clients; relay_site_lan_test.cpp has the site.

#include <arpa/inet.h>
#include <sys/socket.h>

#include <algorithm>
#include <clocale>
#include <future>

#include "app/main_form_logic.h"
#include "netsetup/control_package.h"
#include "protocol/package_codec.h"
#include "tests/lan/relay/relay_clients.h"
#include "tests/lan/relay/relay_lan_fixture.h"
#include "tests/support/lan_box.h"
#include "web/http_fetch.h"

namespace {

using namespace std::chrono_literals;

constexpr int kHttpPort = 8080;

RelaySettings Settings(std::vector<std::string> allow = {"127.0.0.0/8"}) {
    RelaySettings settings;
    for (const std::string& cidr : allow) settings.allow.push_back(*ParseCidr(cidr));
    settings.httpPort = kHttpPort;
    return settings;
}

// The window's relay search: the names it lists, sorted, and the codes of
// the problems its report found.
struct Searched {
    std::vector<std::string> names;
    std::vector<std::string> problems;
};
Searched WindowSearchWithReport(const std::string& relay, const std::string& transport,
                                const std::string& proj = "IPCam") {
    std::setlocale(LC_ALL, "C.UTF-8");
    EnsureQtCoreApplication();
    FakeWindow form;
    MainFormLogic logic(form);
    logic.FormCreate({114, 125, 180, 103, 29, 98, 153});
    form.proj = proj;
    form.method = SearchMethod::IpRelay;
    form.relayAddress = relay;
    form.relayTransport = transport;
    logic.Button1Click();
    EXPECT_TRUE(form.RunUntil([&] { return !logic.Searching(); }, 40s)) << "the search did not end";
    Searched searched;
    for (int row = 1; row < form.RowCount(); ++row)
        if (!form.Cell(kColName, row).empty()) searched.names.push_back(form.Cell(kColName, row));
    std::sort(searched.names.begin(), searched.names.end());
    for (const Problem& problem : logic.LastReport().problems) searched.problems.push_back(problem.code);
    return searched;
}
std::vector<std::string> WindowSearch(const std::string& relay, const std::string& transport) {
    return WindowSearchWithReport(relay, transport).names;
}

std::vector<std::string> NamesOf(const TComUnitList& devices, const std::string& proj) {
    std::vector<std::string> names;
    for (const tComUnitInfo& device : devices)
        if (proj == "ALL" || proj == ComUnitFieldText(device.proj)) names.push_back(ComUnitFieldText(device.name));
    std::sort(names.begin(), names.end());
    return names;
}

std::string Exchange(int port, const std::string& request) {
    return TcpExchange(htonl(INADDR_LOOPBACK), port, request);
}

const std::string kDevicePage = "GET /device.get?DeviceType=IPCam HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

TEST(RelayServerLan, TheWindowListsTheSiteOverTcpUdpAndHttp) {
    const TComUnitList devices = SiteDeviceList(120);
    InProcessRelay relay(Settings(), devices);
    ASSERT_TRUE(relay.Start()) << relay.Error();
    const std::vector<std::string> expected = NamesOf(devices, "IPCam");
    EXPECT_EQ(WindowSearch("127.0.0.1", "TCP"), expected);
    EXPECT_EQ(WindowSearch("127.0.0.1", "UDP"), expected);
    EXPECT_EQ(WindowSearch("127.0.0.1:8080", "HttpCmd"), expected);
    EXPECT_EQ(relay.Searches(), 1) << "one search served all three within the cache time";
    EXPECT_EQ(relay.LinesWith("127.0.0.1 tcp query: 120 devices"), 1);
    EXPECT_EQ(relay.LinesWith("127.0.0.1 udp query: 120 devices"), 2) << "the window's UDP search asks twice";
    EXPECT_EQ(relay.LinesWith("127.0.0.1 http query DeviceType=IPCam: 80 devices"), 1);
}

// An empty site is told apart from a relay that does not answer, whatever
// the transport.
TEST(RelayServerLan, AnEmptySiteIsReportedAsEmptyNotAsUnreachable) {
    InProcessRelay relay(Settings(), {});
    ASSERT_TRUE(relay.Start()) << relay.Error();
    for (const auto& [address, transport] : std::vector<std::pair<std::string, std::string>>{
             {"127.0.0.1", "TCP"}, {"127.0.0.1", "UDP"}, {"127.0.0.1:8080", "HttpCmd"}}) {
        const Searched searched = WindowSearchWithReport(address, transport);
        EXPECT_TRUE(searched.names.empty()) << transport;
        EXPECT_EQ(searched.problems, std::vector<std::string>{"relay-empty"}) << transport;
    }
}

TEST(RelayServerLan, AClientOutsideTheAllowListGetsNothing) {
    InProcessRelay relay(Settings({"203.0.113.0/24"}), SiteDeviceList(5));
    ASSERT_TRUE(relay.Start()) << relay.Error();
    EXPECT_EQ(Exchange(kDevicePort, RelayQueryText()), "") << "TCP: closed without data";
    const std::string page = Exchange(kHttpPort, kDevicePage);
    EXPECT_EQ(page.rfind("HTTP/1.1 403 Forbidden\r\n", 0), 0u) << page;
    EXPECT_TRUE(WindowSearch("127.0.0.1", "UDP").empty());
    EXPECT_EQ(relay.Searches(), 0) << "nobody allowed asked";
    EXPECT_GE(relay.LinesWith("127.0.0.1 udp query refused: not allowed"), 1);
    EXPECT_EQ(relay.LinesWith("127.0.0.1 tcp refused: not allowed"), 1);
    EXPECT_EQ(relay.LinesWith("127.0.0.1 http refused: not allowed"), 1);
}

TEST(RelayServerLan, FiftyClientsAtOnceShareOneSearch) {
    const TComUnitList devices = SiteDeviceList(200);
    InProcessRelay relay(Settings(), devices, 500ms);
    ASSERT_TRUE(relay.Start()) << relay.Error();
    // From fifty addresses of the loopback's 127/8: the rate is per client.
    std::vector<std::future<std::string>> clients;
    for (std::uint32_t i = 0; i < 50; ++i)
        clients.push_back(std::async(std::launch::async, [i] {
            return TcpExchange(htonl(INADDR_LOOPBACK), kDevicePort, RelayQueryText(), htonl(0x7F000100u + i));
        }));
    const std::string whole = SiteAnswers(devices, RelayClock::now(), 0).TcpMessage();
    for (auto& client : clients) EXPECT_EQ(client.get(), whole);
    EXPECT_EQ(relay.Searches(), 1);
}

TEST(RelayServerLan, MoreThanTenQueriesASecondFromOneClientAreRefused) {
    InProcessRelay relay(Settings(), SiteDeviceList(3), 0ms);
    ASSERT_TRUE(relay.Start()) << relay.Error();
    int answered = 0;
    for (int i = 0; i < 15; ++i) answered += Exchange(kDevicePort, RelayQueryText()).empty() ? 0 : 1;
    EXPECT_GE(answered, 10);
    EXPECT_LE(answered, 11) << "a few milliseconds earn no more than one query";
    EXPECT_EQ(Exchange(kHttpPort, kDevicePage).rfind("HTTP/1.1 429 ", 0), 0u);
    EXPECT_GE(relay.LinesWith("refused: more than 10 queries a second"), 4);
}

TEST(RelayServerLan, ControlPackagesGoOnOnlyWhenAllowedAndOnlyOnce) {
    const tComUnitInfo device = SiteDeviceList(1)[0];
    auto send = [&device](const std::string& name) {
        FakeWindow form;
        form.method = SearchMethod::IpRelay;
        form.relayAddress = "127.0.0.1";
        ControlRequest request = ControlRequestFor(device);
        request.name = name;
        request.type = NetworkType::Static;
        request.ip = "203.0.113.77";
        return SendControlPackage(form, MakeControlRecord(request));
    };
    {
        InProcessRelay relay(Settings(), SiteDeviceList(1));
        ASSERT_TRUE(relay.Start()) << relay.Error();
        ASSERT_EQ(send("cam 1"), 0);
        for (int i = 0; i < 50 && relay.LinesWith("setup") == 0; ++i) std::this_thread::sleep_for(20ms);
        EXPECT_EQ(relay.LinesWith("127.0.0.1 setup 02:4B:56:00:00:01: dropped, sending control packages on is off "
                                  "(--allow-setup)"),
                  1);
    }
    RelaySettings settings = Settings();
    settings.allowSetup = true;
    InProcessRelay relay(settings, SiteDeviceList(1));
    ASSERT_TRUE(relay.Start()) << relay.Error();
    ASSERT_EQ(send("cam 1"), 0);
    // A raw package the dialog would have refused: the relay refuses it too.
    UniqueFd raw(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDevicePort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::string broken = EncodeWireText(
        std::string("Kestrova,03,KX-1,IPCam,cam\r\n1,203.0.113.77,80,255.255.255.0,203.0.113.1,203.0.113.53,"
                    "02:4B:56:00:00:01,HW1,static") +
        '\0');
    ::sendto(raw.get(), broken.data(), broken.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    for (int i = 0; i < 50 && relay.LinesWith("setup") < 2; ++i) std::this_thread::sleep_for(20ms);
    // Its own broadcast comes back to its port: it must not go out again.
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(relay.LinesWith("127.0.0.1 setup 02:4B:56:00:00:01: sent on to the site (static "
                              "203.0.113.77/255.255.255.0)"),
              1);
    EXPECT_EQ(relay.LinesWith("127.0.0.1 setup 02:4B:56:00:00:01: refused: Invalid Name - [cam\\x0d\\x0a1]"), 1);
    EXPECT_EQ(relay.LinesWith("setup"), 2);
}

TEST(RelayServerLan, NoDatagramOrRequestStopsTheService) {
    InProcessRelay relay(Settings(), SiteDeviceList(4), 0ms);
    ASSERT_TRUE(relay.Start()) << relay.Error();
    UniqueFd raw(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(kDevicePort);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    for (const std::string& junk : {std::string(), std::string(65000, 'A'), std::string("\0\xff\x80", 3),
                                    EncodeWireText("Kestrova,03,,,,,,,,,,,,,,,,,,,,,,,,")}) {
        ::sendto(raw.get(), junk.data(), junk.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }
    for (const std::string& head :
         {std::string("POST /device.get HTTP/1.1\r\n\r\n"), std::string("GET /etc/passwd HTTP/1.1\r\n\r\n"),
          std::string("\r\n\r\n"), std::string(20000, 'G')}) {
        const std::string answer = Exchange(kHttpPort, head);
        EXPECT_EQ(answer.rfind("HTTP/1.1 4", 0), 0u) << answer.substr(0, 40);
    }
    EXPECT_EQ(Exchange(kDevicePort, std::string(4000, 'A')), "") << "no relay query: closed";
    EXPECT_EQ(WindowSearch("127.0.0.1", "TCP").size(), 3u) << "and it still serves";
}

}  // namespace
