// SPDX-License-Identifier: GPL-3.0-or-later
// Cameras behind a router (scripts/lanbox routed --hosts 2): 50 devices of
// the protocol, 10 ONVIF and 5 UPnP cameras at addresses of their own on
// host 2 in 203.0.113.0/24, host 3 up with nothing listening. The computer,
// host 1, searches: the local search finds nothing, the range search finds
// everything and names the hosts that answered without a camera service,
// and a control package sent by unicast reaches a device and is confirmed.
// The tests run in order and share one simulated site.

#include <algorithm>
#include <clocale>
#include <map>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "netsetup/control_package.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "tools/devsim/sim_device.h"

namespace {

using namespace std::chrono_literals;

constexpr const char* kRange = "203.0.113.0/24";

std::vector<std::string> Strings(const QJsonValue& value) {
    std::vector<std::string> out;
    for (const QJsonValue& item : value.toArray()) out.push_back(item.toString().toStdString());
    return out;
}

class RangeSite : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!RoutedLanBox() || LanBoxAddresses().size() < 3) return;
        site_ = new DevsimProcess({"--device-net", "203.0.113", "--count", "50", "--onvif", "10", "--onvif-auth",
                                   "none", "--upnp-count", "5", "--own-addresses", "--setup-delay-ms", "300"},
                                  2);
        if (!site_->Start(20s)) startError_ = site_->Error();
    }
    static void TearDownTestSuite() {
        delete site_;
        site_ = nullptr;
    }
    void SetUp() override {
        if (!RoutedLanBox() || LanBoxAddresses().size() < 3)
            GTEST_SKIP() << "needs a routed box with two hosts behind the router (scripts/lanbox routed --hosts 2)";
        ASSERT_TRUE(startError_.empty()) << startError_;
    }

    ProgramText Cli(std::vector<std::string> args) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        return RunForText(args, files.File("out"), files.File("err"));
    }

    static inline DevsimProcess* site_ = nullptr;
    static inline std::string startError_;
    TempDir files;
};

TEST_F(RangeSite, LocalSearchFindsNothingBehindTheRouter) {
    const ProgramText run = Cli({"--format", "csv"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "Model,Proj,Name,IP,Port,Netmask,Mac\n");
}

TEST_F(RangeSite, RangeFindsEveryDeviceAndTheHostsUpWithoutAService) {
    const std::string report = files.File("report.json");
    const ProgramText run = Cli({"--range", kRange, "--format", "csv", "--report", report});
    ASSERT_EQ(run.status, 0) << run.err;
    std::map<std::string, std::set<std::string>> ipsByProj;
    std::size_t rows = 0;
    for (std::size_t at = run.out.find('\n') + 1; at < run.out.size(); ++rows) {
        const std::string line = run.out.substr(at, run.out.find('\n', at) - at);
        at += line.size() + 1;
        std::vector<std::string> cells;
        for (std::size_t from = 0; from <= line.size();) {
            const std::size_t comma = std::min(line.find(',', from), line.size());
            cells.push_back(line.substr(from, comma - from));
            from = comma + 1;
        }
        ASSERT_EQ(cells.size(), 7u) << line;
        ipsByProj[cells[1] == "ONVIF" || cells[6] == "NULL" ? cells[1] : "device"].insert(cells[3]);
    }
    std::set<std::string> devices;
    for (const SimDevice& device : GenerateDevices(50, "203.0.113")) devices.insert(device.Ip());
    EXPECT_EQ(ipsByProj["device"], devices);
    std::set<std::string> cameras;
    for (int n = 0; n < 10; ++n) cameras.insert("203.0.113." + std::to_string(100 + n));
    EXPECT_EQ(ipsByProj["ONVIF"], cameras);
    // AXIS and Vivotek of the five UPnP cameras, each at its own address.
    EXPECT_EQ(rows, 50u + 10u + 4u) << run.out;

    QJsonParseError error{};
    const QJsonObject json = QJsonDocument::fromJson(QByteArray::fromStdString(ReadWholeFile(report)), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError);
    EXPECT_EQ(json[QLatin1String("search")].toObject()[QLatin1String("method")].toString(),
              QStringLiteral("Address Range"));
    const QJsonObject range = json[QLatin1String("range")].toObject();
    EXPECT_EQ(Strings(range[QLatin1String("ranges")]), std::vector<std::string>{kRange});
    EXPECT_EQ(range[QLatin1String("addresses")].toInt(), 256);
    EXPECT_EQ(range[QLatin1String("rounds")].toInt(), 2);
    EXPECT_EQ(range[QLatin1String("datagrams")].toInt(), 256 * 4 * 2);
    // The router and the host without any service refused; the devsim host
    // listens on every port and stays silent, so it is not among them.
    EXPECT_EQ(Strings(range[QLatin1String("up_without_service")]),
              (std::vector<std::string>{"203.0.113.1", "203.0.113.3"}));
    EXPECT_EQ(json[QLatin1String("upnp")].toObject()[QLatin1String("kept")].toInt(), 4);
    EXPECT_EQ(json[QLatin1String("onvif")].toObject()[QLatin1String("devices")].toInt(), 10);
    EXPECT_TRUE(json[QLatin1String("outside_networks")].toArray().isEmpty())
        << "devices the range reached are not outside";
}

TEST_F(RangeSite, SetupByRangeReachesTheDeviceAndIsConfirmed) {
    const SimDevice device = GenerateDevices(50, "203.0.113")[7];
    const ProgramText run =
        Cli({"setup", "--range", kRange, "--mac", device.Mac(), "--static", "--ip", "203.0.113.90", "--netmask",
             "255.255.255.0", "--gateway", "203.0.113.1", "--dns", "203.0.113.53", "--verify", "20"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("confirmed: " + device.Mac() + " at 203.0.113.90"), std::string::npos) << run.out;
}

// The window's way: a control package by unicast to where the device
// answered, then the watch, which searches the same ranges and the new
// address outside them.
TEST_F(RangeSite, WindowSendsByUnicastAndWatchesTheNewAddress) {
    std::setlocale(LC_ALL, "C.UTF-8");
    FakeWindow form;
    MainFormLogic logic(form);
    logic.FormCreate({});
    logic.SetWatchTimings({1s, 30s});
    form.proj = "IPCam";
    form.method = SearchMethod::AddressRange;
    form.addressRange = "203.0.113.10-203.0.113.59";
    logic.Button1Click();
    ASSERT_TRUE(form.RunUntil([&] { return !logic.Searching(); }, 30s));
    EXPECT_EQ(form.rangeItems, std::vector<std::string>{"203.0.113.10-203.0.113.59"});
    const SimDevice device = GenerateDevices(50, "203.0.113")[12];
    const auto found = std::find_if(logic.ComUnitList.begin(), logic.ComUnitList.end(),
                                    [&](const tComUnitInfo& r) { return ComUnitFieldText(r.mac) == device.Mac(); });
    ASSERT_NE(found, logic.ComUnitList.end());
    for (int row = 1; row < form.RowCount(); ++row) {
        if (form.Cell(kColMac, row) != device.Mac()) continue;
        EXPECT_NE(form.rowToolTips[row].find("sends its settings to " + device.Ip() + " directly"), std::string::npos);
    }

    ControlRequest request = ControlRequestFor(*found);
    request.type = NetworkType::Static;
    request.ip = "203.0.113.95";
    ASSERT_EQ(SendControlPackage(form, MakeControlRecord(request), device.Ip()), 0);
    logic.StartSetupWatch(request);
    ASSERT_TRUE(form.RunUntil([&] { return form.statusText.find("now at") != std::string::npos; }, 30s))
        << form.statusText;
    EXPECT_EQ(form.statusText.rfind(device.Mac() + ": now at 203.0.113.95", 0), 0u) << form.statusText;
    EXPECT_EQ(logic.LastReport().range->ranges,
              (std::vector<std::string>{"203.0.113.10-203.0.113.59", "203.0.113.95"}));
}

}  // namespace
