// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated devices: device files, generated sets, over-long fields.

#include <arpa/inet.h>

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"
#include "tests/support/lan_files.h"
#include "tools/devsim/garbage.h"
#include "tools/devsim/onvif_camera.h"
#include "tools/devsim/onvif_camera_quirks.h"
#include "tools/devsim/sim_device.h"

namespace {

TEST(DeviceFile, ReadsDevicesSkippingCommentsBlankLinesAndCarriageReturns) {
    TempDir dir;
    ASSERT_TRUE(
        WriteFile(dir.File("d"),
                  "# a comment\n"
                  "M1,P1,N 1,198.51.100.5,80,255.255.255.0,198.51.100.1,198.51.100.1,00:11:22:33:44:55,dv1,nt1\r\n"
                  "\n"
                  "M2,,N2,198.51.100.6,80,255.255.255.0,198.51.100.1,198.51.100.1,00:11:22:33:44:56,dv2,\n"));
    std::string error;
    auto devices = LoadDeviceFile(dir.File("d"), error);
    ASSERT_TRUE(devices) << error;
    ASSERT_EQ(devices->size(), 2u);
    EXPECT_EQ((*devices)[0].fields[2], "N 1");
    EXPECT_EQ((*devices)[0].fields[10], "nt1") << "the CR is not part of the last field";
    EXPECT_EQ((*devices)[1].fields[1], "");
    EXPECT_EQ((*devices)[1].fields[10], "");
    EXPECT_EQ(DevicePackage((*devices)[1]),
              "Kestrova,01,M2,,N2,198.51.100.6,80,255.255.255.0,198.51.100.1,198.51.100.1,00:11:22:33:44:56,dv2,");
    EXPECT_EQ(DevicePackage((*devices)[1], 3).substr(0, 12), "Kestrova,03,");
}

TEST(DeviceFile, WrongFieldCountIsAnErrorNamingTheLine) {
    EXPECT_FALSE(ParseDeviceLine("a,b,c,d,e,f,g,h,i,j"));
    EXPECT_FALSE(ParseDeviceLine("a,b,c,d,e,f,g,h,i,j,k,l"));
    EXPECT_TRUE(ParseDeviceLine("a,b,c,d,e,f,g,h,i,j,k"));

    TempDir dir;
    ASSERT_TRUE(WriteFile(dir.File("d"), "# ok\na,b,c,d,e,f,g,h,i,j,k\na,b,c\n"));
    std::string error;
    EXPECT_FALSE(LoadDeviceFile(dir.File("d"), error));
    EXPECT_NE(error.find(":3:"), std::string::npos) << error;
    EXPECT_FALSE(LoadDeviceFile(dir.File("missing"), error));
}

TEST(GeneratedDevices, AreDistinctDeterministicAndVaried) {
    const auto devices = GenerateDevices(5000);
    ASSERT_EQ(devices.size(), 5000u);
    std::set<std::string> names, ips, macs, projects, models;
    for (const SimDevice& d : devices) {
        names.insert(d.fields[2]);
        ips.insert(d.Ip());
        macs.insert(d.Mac());
        projects.insert(d.fields[1]);
        models.insert(d.fields[0]);
        // Every field fits the tool's record, so a search shows it unchanged.
        for (int f = 0; f < kSimFieldCount; ++f) {
            EXPECT_LT(d.fields[static_cast<size_t>(f)].size(), ComUnitFieldWidth(f)) << d.fields[2] << " field " << f;
        }
    }
    EXPECT_EQ(names.size(), 5000u);
    EXPECT_EQ(ips.size(), 5000u);
    EXPECT_EQ(macs.size(), 5000u);
    // Each family the project filter offers finds devices in a demo.
    EXPECT_EQ(projects, std::set<std::string>(kProjectFamilies.begin(), kProjectFamilies.end()));
    EXPECT_GE(models.size(), 5u);
    EXPECT_FALSE(std::is_sorted(devices.begin(), devices.begin() + 7,
                                [](const SimDevice& a, const SimDevice& b) { return a.fields[0] > b.fields[0]; }));
    EXPECT_EQ(DevicePackage(GenerateDevices(5000)[4321]), DevicePackage(devices[4321]));
    EXPECT_TRUE(GenerateDevices(0).empty());
}

// Loopback and the documentation ranges: what a simulated device announces
// must never name a host of a real network.
bool IsSimulationAddress(const std::string& text) {
    in_addr address{};
    if (::inet_pton(AF_INET, text.c_str(), &address) != 1) return false;
    const uint32_t a = ntohl(address.s_addr);
    return (a >> 24) == 127 || (a >> 8) == 0xC63364 || (a >> 8) == 0xCB0071;
}

TEST(GeneratedDevices, AnnounceOnlySimulationAddressesTheFirstOffLoopback) {
    const auto devices = GenerateDevices(200000);
    std::set<std::string> ips;
    for (const SimDevice& d : devices) {
        for (size_t f : {3, 6, 7}) ASSERT_TRUE(IsSimulationAddress(d.fields[f])) << d.fields[2] << ": " << d.fields[f];
        ips.insert(d.Ip());
    }
    EXPECT_EQ(ips.size(), devices.size());
    // A one-host box has loopback only: devices there must lie outside it to
    // show as needing a new address.
    for (size_t i : {0, 239}) EXPECT_EQ(devices[i].Ip().rfind("203.0.113.", 0), 0u) << devices[i].Ip();
    EXPECT_EQ(devices[240].Ip(), "127.1.0.1");
    EXPECT_EQ(devices.back().Ip().rfind("127.0.", 0), std::string::npos) << "the box's own 127.0.0.0/16";
}

TEST(GeneratedOnvifCameras, StandAtDistinctSimulationAddressesUpToTheLastNumber) {
    // --onvif-first reaches 100,000: every camera keeps a real, own address.
    std::set<std::string> hosts;
    for (const OnvifCamera& camera : GenerateOnvifCameras(100000)) {
        std::string first;
        for (const std::string& xaddr : camera.xaddrs) {
            if (xaddr.rfind("http://[", 0) == 0) continue;  // an IPv6 XAddr beside the IPv4 one
            const std::string host = xaddr.substr(7, xaddr.find_first_of(":/", 7) - 7);
            ASSERT_TRUE(IsSimulationAddress(host)) << xaddr;
            if (first.empty()) first = host;
        }
        ASSERT_FALSE(first.empty()) << camera.endpoint;
        hosts.insert(first);
    }
    EXPECT_EQ(hosts.size(), 100000u);
}

TEST(GarbagePackages, AnnounceOnlySimulationAddresses) {
    int withAddresses = 0;
    for (const std::string& package : BadTokenPackages()) {
        std::optional<SimDevice> device;
        if (std::count(package.begin(), package.end(), ',') == kSimFieldCount + 1)
            device = ParseDeviceLine(package.substr(package.find(',', package.find(',') + 1) + 1));
        if (!device) continue;
        ++withAddresses;
        for (size_t f : {3, 6, 7}) EXPECT_TRUE(IsSimulationAddress(device->fields[f])) << package;
    }
    EXPECT_EQ(withAddresses, 6);
}

TEST(GeneratedDevices, OverlongFieldsExceedEveryTextWidthAndKeepTheMacValid) {
    const auto original = GenerateDevices(3);
    auto devices = original;
    MakeOverlong(devices);
    for (size_t i = 0; i < devices.size(); ++i) {
        const SimDevice& d = devices[i];
        for (int f : {0, 1, 2, 8, 9, 10}) {
            EXPECT_GE(d.fields[static_cast<size_t>(f)].size(), ComUnitFieldWidth(f)) << "field " << f;
        }
        EXPECT_GE(std::count(d.Mac().begin(), d.Mac().end(), ':'), 5);
        // Addresses stay valid, or the tool would drop them instead of cutting.
        for (size_t f = 3; f <= 7; ++f) EXPECT_EQ(d.fields[f], original[i].fields[f]) << "field " << f;
    }
    EXPECT_EQ(devices[1].fields[2].rfind("cam-00002", 0), 0u) << "the device's own text stays in front";
}

}  // namespace

TEST(GeneratedDevices, ConflictingDevicesShareOneBoxAddressWithDistinctMacs) {
    for (const std::string& net : {std::string(), std::string("203.0.113")}) {
        const auto devices = GenerateConflictingDevices(300, net);
        ASSERT_EQ(devices.size(), 300u);
        std::set<std::string> ips, macs, names;
        for (const SimDevice& d : devices) {
            ips.insert(d.Ip());
            macs.insert(d.Mac());
            names.insert(d.fields[2]);
            for (int f = 0; f < kSimFieldCount; ++f)
                EXPECT_LT(d.fields[static_cast<size_t>(f)].size(), ComUnitFieldWidth(f)) << d.fields[2];
        }
        EXPECT_EQ(ips, std::set<std::string>{(net.empty() ? "198.51.100" : net) + ".9"});
        EXPECT_EQ(macs.size(), 300u);
        EXPECT_EQ(names.size(), 300u);
        // Never one of the generated devices' MACs or addresses.
        for (const SimDevice& d : GenerateDevices(300, net.empty() ? "198.51.100" : net)) {
            EXPECT_EQ(macs.count(d.Mac()), 0u);
            EXPECT_EQ(ips.count(d.Ip()), 0u);
        }
    }
}

TEST(OnvifQuirks, SpreadGivesCameraKTheKthInTurnAndOnlyKnownNamesAreTaken) {
    std::string error;
    const auto spread = ParseOnvifQuirks("spread", error);
    ASSERT_TRUE(spread) << error;
    EXPECT_TRUE(OnvifQuirksOf(*spread, 0).openReads);
    EXPECT_TRUE(OnvifQuirksOf(*spread, 3).soap11);
    EXPECT_FALSE(OnvifQuirksOf(*spread, 3).openReads) << "one quirk per camera";
    const std::string names = OnvifQuirkNames();
    const int count = 1 + static_cast<int>(std::count(names.begin(), names.end(), ','));
    EXPECT_TRUE(OnvifQuirksOf(*spread, count).openReads) << "and round again";

    const auto two = ParseOnvifQuirks("clock-auth,local-clock", error);
    ASSERT_TRUE(two) << error;
    EXPECT_TRUE(OnvifQuirksOf(*two, 7).clockAuth && OnvifQuirksOf(*two, 7).localClock);
    EXPECT_FALSE(OnvifQuirksOf(*two, 7).soap11);

    EXPECT_FALSE(ParseOnvifQuirks("soap11,", error)) << "an empty name";
    EXPECT_FALSE(ParseOnvifQuirks("zone-name", error)) << "not simulated yet";
    EXPECT_NE(error.find("open-reads, local-clock, clock-auth, soap11"), std::string::npos) << error;
}
