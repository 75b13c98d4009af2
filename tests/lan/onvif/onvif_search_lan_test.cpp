// SPDX-License-Identifier: GPL-3.0-or-later
// Searches with an ONVIF part, through the driver, against devsim's ONVIF
// cameras (with the malformed, entity-bomb and repeating ones beside them).

#include <set>

#include "tests/lan/driver/driver_lan_fixture.h"

namespace {

constexpr int kCameras = 12;

enum RowKind { Package, Upnp, Onvif };

RowKind KindOf(FakeWindow& form, int row) {
    if (form.Cell(kColMac, row) != "NULL") return Package;
    return form.Cell(kColProj, row) == "ONVIF" ? Onvif : Upnp;
}

class OnvifLan : public DriverLan {
protected:
    void StartCameras() {
        StartDevsim({Device("B", "P1", 1), Device("A", "P1", 2)},
                    {"--onvif", std::to_string(kCameras), "--onvif-malformed", "--onvif-bomb", "--onvif-repeat",
                     "--onvif-hello", "--upnp-cameras",
                     std::string(LANVARO_TEST_DATA) + "/onvif/shared_address_upnp_camera.txt"});
    }

    int OnvifRowOf(const std::string& ip) {
        for (int r = 1; r < form.RowCount(); ++r)
            if (form.Cell(kColIp, r) == ip && KindOf(form, r) == Onvif) return r;
        return -1;
    }
};

}  // namespace

TEST_F(OnvifLan, OnvifListsEveryCameraOnceWithItsValues) {
    StartCameras();
    form.proj = "onvif";
    logic.Button1Click();
    EXPECT_FALSE(logic.FormCloseQuery()) << "the close guard covers the ONVIF part";
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Searching Onvif Devices! Please wait");
    ASSERT_TRUE(form.RunUntil([this] { return !logic.Searching(); }, std::chrono::seconds(20)));

    // Every generated camera, the repeating one and the one only heard by its
    // Hello, once; the malformed and the bomb answers give nothing.
    std::set<std::string> ips;
    for (int r = 1; r < form.RowCount(); ++r) {
        EXPECT_EQ(KindOf(form, r), Onvif) << "row " << r;
        EXPECT_TRUE(ips.insert(form.Cell(kColIp, r)).second) << form.Cell(kColIp, r) << " twice";
    }
    EXPECT_EQ(form.RowCount() - 1, kCameras + 2);
    for (int k = 0; k < kCameras; ++k) EXPECT_EQ(ips.count("127.77.0." + std::to_string(10 + k)), 1u) << k;
    EXPECT_EQ(ips.count("127.77.250.3"), 1u) << "the camera answering three times";
    EXPECT_EQ(ips.count("127.77.250.4"), 1u) << "the camera sending Hellos";
    EXPECT_EQ(form.label1Caption, std::to_string(kCameras + 2) + " device(s) found!");
    EXPECT_TRUE(form.LogContains("document type declarations are not accepted"));
    EXPECT_TRUE(form.LogContains("not well-formed XML"));

    const int ipv6First = OnvifRowOf("127.77.0.11");
    ASSERT_GT(ipv6First, 0);
    EXPECT_EQ(form.Cell(kColModel, ipv6First), "VX-2140-IR");
    EXPECT_EQ(form.Cell(kColName, ipv6First), "cam-1");
    EXPECT_EQ(form.Cell(kColPort, ipv6First), "80");
    EXPECT_EQ(form.Cell(kColNetmask, ipv6First), "NULL");
    const int withPort = OnvifRowOf("127.77.0.12");
    ASSERT_GT(withPort, 0);
    EXPECT_EQ(form.Cell(kColModel, withPort), "QL-310 Mk II");
    EXPECT_EQ(form.Cell(kColPort, withPort), "8080");
    const int twoNames = OnvifRowOf("127.77.0.13");
    ASSERT_GT(twoNames, 0);
    EXPECT_EQ(form.Cell(kColName, twoNames), "Lobby Camera 3");

    logic.StringGrid1SelectCell(0, withPort);
    logic.Browser1Click();
    ASSERT_EQ(form.urlsOpened.size(), 1u);
    EXPECT_EQ(form.urlsOpened[0].rfind("http://127.77.0.12:8080", 0), 0u) << form.urlsOpened[0];
    // A camera takes network settings through its device service.
    logic.PopupMenu1Popup();
    EXPECT_TRUE(form.networkSetupEnabled);
    EXPECT_TRUE(form.button1Enabled);
    EXPECT_TRUE(logic.FormCloseQuery());
}

TEST_F(OnvifLan, AllPutsPackageThenUpnpThenOnvifRowsAndEachRowOpensItsOwnDetails) {
    StartCameras();
    form.proj = "ALL";
    Search();
    std::vector<RowKind> kinds;
    for (int r = 1; r < form.RowCount(); ++r) kinds.push_back(KindOf(form, r));
    EXPECT_TRUE(std::is_sorted(kinds.begin(), kinds.end()));
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), Package), 2);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), Upnp), 1);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), Onvif), kCameras + 2);
    EXPECT_EQ(form.label1Caption, std::to_string(kCameras + 5) + " device(s) found!");

    // The UPnP camera and ONVIF camera 0 share 127.77.0.10.
    int upnpRow = -1;
    for (int r = 1; r < form.RowCount(); ++r)
        if (KindOf(form, r) == Upnp) upnpRow = r;
    ASSERT_GT(upnpRow, 0);
    ASSERT_EQ(form.Cell(kColIp, upnpRow), "127.77.0.10");
    logic.StringGrid1SelectCell(0, upnpRow);
    logic.Info1Click();
    EXPECT_EQ(form.upnpInfoShown.size(), 1u);
    EXPECT_TRUE(form.onvifInfoShown.empty());

    const int onvifRow = OnvifRowOf("127.77.0.10");
    ASSERT_GT(onvifRow, 0);
    logic.StringGrid1SelectCell(0, onvifRow);
    logic.Info1Click();
    EXPECT_EQ(form.upnpInfoShown.size(), 1u);
    ASSERT_EQ(form.onvifInfoShown.size(), 1u);
    const OnvifDeviceInfo& shown = form.onvifInfoShown[0];
    EXPECT_EQ(shown.endpoint, "urn:uuid:4f4e5649-4600-4000-8000-000000000000");
    EXPECT_EQ(shown.scopes.size(), 4u);
    EXPECT_EQ(shown.xaddrs, std::vector<std::string>{"http://127.77.0.10/onvif/device_service"});
    EXPECT_EQ(shown.metadataVersion, "1");
    EXPECT_EQ(shown.answeredFrom, "127.77.0.10:3702") << "from the camera's own address";
    EXPECT_EQ(shown.types.size(), 2u);
}

// A host with a card on each of two segments hears the cameras of both: the
// probes go out through every card.
TEST_F(OnvifLan, ProbesLeaveThroughEveryCard) {
    if (LanBoxAddresses().size() < 3 || LanBoxHost1Addresses().size() < 2)
        GTEST_SKIP() << "needs scripts/lanbox hosts 3 --segments 2";
    DevsimProcess segmentA({"--no-udp", "--onvif", "2"}, 2);
    DevsimProcess segmentB({"--no-udp", "--onvif", "3", "--onvif-first", "2"}, 3);
    ASSERT_TRUE(segmentA.Start()) << segmentA.Error();
    ASSERT_TRUE(segmentB.Start()) << segmentB.Error();
    form.proj = "ONVIF";
    Search();
    std::set<std::string> ips;
    for (int r = 1; r < form.RowCount(); ++r) ips.insert(form.Cell(kColIp, r));
    // Each camera stands at host .100 + its number of its own host's segment.
    EXPECT_EQ(ips, (std::set<std::string>{"198.51.100.100", "198.51.100.101", "203.0.113.102", "203.0.113.103",
                                          "203.0.113.104"}));
}
