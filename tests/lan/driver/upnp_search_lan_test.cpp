// SPDX-License-Identifier: GPL-3.0-or-later
// Searches with a UPnP part, through the driver, with simulated cameras.

#include "tests/lan/driver/driver_lan_fixture.h"

namespace {

const std::string kRuleCameras = std::string(LANVARO_TEST_DATA) + "/upnp/name_and_address_rules.txt";

int RowOf(FakeWindow& form, const std::string& ip) {
    for (int r = 1; r < form.RowCount(); ++r)
        if (form.Cell(kColIp, r) == ip) return r;
    return -1;
}

}  // namespace

TEST_F(DriverLan, AllAddsTheUpnpRowsBehindThePackageRows) {
    StartDevsim({Device("B", "P1", 1), Device("A", "P1", 2), Device("C", "P2", 3)}, {"--upnp-cameras", kRuleCameras});
    form.proj = "ALL";
    Search();
    // Package rows first, in arrival order, then the cameras the rules keep.
    ASSERT_GE(form.RowCount(), 4);
    for (int r = 1; r <= 3; ++r) EXPECT_NE(form.Cell(kColNetmask, r), "NULL") << "row " << r;
    const std::vector<std::string> kept{"198.51.100.90", "198.51.100.93", "198.51.100.91", "198.51.100.96"};
    for (const auto& ip : kept) EXPECT_GT(RowOf(form, ip), 3) << ip;
    EXPECT_EQ(RowOf(form, "198.51.100.94"), -1) << "Vivotek name without \"(\"";
    EXPECT_EQ(RowOf(form, "198.51.100.95"), -1) << "no \"/\" after the host";
    EXPECT_EQ(RowOf(form, "198.51.100.97"), -1) << "maker case counts";

    const int axisPort = RowOf(form, "198.51.100.93");
    ASSERT_GT(axisPort, 0);
    EXPECT_EQ(form.Cell(kColModel, axisPort), "Axis 200 Series");
    EXPECT_EQ(form.Cell(kColName, axisPort), "AXIS KX-215 PTZ");
    EXPECT_EQ(form.Cell(kColPort, axisPort), "8080");
    EXPECT_EQ(form.Cell(kColMac, axisPort), "NULL");
    const int vivotek = RowOf(form, "198.51.100.91");
    ASSERT_GT(vivotek, 0);
    EXPECT_EQ(form.Cell(kColModel, vivotek), "VivoTek 7000 Series");
    EXPECT_EQ(form.Cell(kColName, vivotek), "VK7331 ");
    EXPECT_EQ(form.Cell(kColPort, vivotek), "80");

    const int rows = form.RowCount() - 1;
    EXPECT_EQ(form.label1Caption, std::to_string(rows) + " device(s) found!");
    EXPECT_EQ(logic.ComUnitList.size(), static_cast<std::size_t>(rows));
    EXPECT_TRUE(form.button1Enabled);
    EXPECT_FALSE(logic.Engine.SearchPending());
}

TEST_F(DriverLan, UpnpFilterShowsOnlyUpnpRows) {
    StartDevsim({Device("B", "P1", 1), Device("UPNP-lookalike", "UPNP", 2)}, {"--upnp-cameras", kRuleCameras});
    form.proj = "Upnp";
    Search();
    ASSERT_GE(form.RowCount(), 2);
    for (int r = 1; r < form.RowCount(); ++r) EXPECT_EQ(form.Cell(kColMac, r), "NULL") << "row " << r;
    EXPECT_GT(RowOf(form, "198.51.100.90"), 0);
    EXPECT_EQ(logic.ComUnitList.size(), 2u + static_cast<std::size_t>(form.RowCount() - 1))
        << "package records are kept though their rows went";
}

TEST_F(DriverLan, FilterChangedDuringTheUpnpWaitAddsNoUpnpRows) {
    StartDevsim({Device("B", "P1", 1)}, {"--upnp-cameras", kRuleCameras});
    form.proj = "ALL";
    form.label1Caption = "earlier";
    logic.Button1Click();
    ASSERT_TRUE(form.RunUntil([this] { return form.button1Caption == "Search Upnp..."; }, std::chrono::seconds(10)));
    form.proj = "P1";
    ASSERT_TRUE(form.RunUntil([this] { return !logic.Searching(); }, std::chrono::seconds(20)));
    EXPECT_EQ(RowOf(form, "198.51.100.90"), -1);
    EXPECT_EQ(form.label1Caption, "earlier");
    EXPECT_TRUE(form.button1Enabled);
    EXPECT_EQ(form.button1Caption, "Lanvaro");
    EXPECT_TRUE(logic.FormCloseQuery());
}

TEST_F(DriverLan, DetailsOfAUpnpRowShowTheCamerasProperties) {
    StartDevsim({}, {"--upnp-cameras", std::string(LANVARO_TEST_DATA) + "/upnp/three_makers.txt"});
    form.proj = "UPNP";
    Search();
    const int axis = RowOf(form, "198.51.100.90");
    ASSERT_GT(axis, 0);
    logic.StringGrid1SelectCell(0, axis);
    logic.Info1Click();
    ASSERT_EQ(form.upnpInfoShown.size(), 1u);
    EXPECT_EQ(form.upnpInfoShown[0].Children, "Yes: 2 children");
    EXPECT_EQ(form.upnpInfoShown[0].Services, "Yes: 5 services");
    EXPECT_EQ(form.upnpInfoShown[0].RootDevice, "This is a topmost device");
    logic.PopupMenu1Popup();
    EXPECT_FALSE(form.networkSetupEnabled);
    logic.NetworkSetup1Click();
    EXPECT_TRUE(form.networkSetupShown.empty());
}
