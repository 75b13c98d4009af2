// SPDX-License-Identifier: GPL-3.0-or-later
#include <algorithm>
#include <clocale>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "app/search_parts.h"
#include "onvif/onvif_engine.h"
#include "tests/support/fake_window.h"
#include "upnp/port_forward_engine.h"
#include "upnp/upnp_result_thread.h"

namespace {

DeviceInformationContainer Camera(const std::string& maker, const std::string& friendly, const std::string& description,
                                  const std::string& url) {
    DeviceInformationContainer d;
    d.ManufacturerName = maker;
    d.FriendlyName = friendly;
    d.Description = description;
    d.PresentationURL = url;
    return d;
}

class UpnpCollection : public ::testing::Test {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");
        form.button1Enabled = false;
        form.button1Caption = "Search Upnp...";
        engine.m_hSearchEvent = std::make_shared<ManualResetEvent>();
        form.SetRowCount(1);  // as the search left it
    }
    void AddPackageRows(int n) {
        form.SetRowCount(n + 1);
        for (int r = 1; r <= n; ++r) form.SetCell(0, r, "pkg" + std::to_string(r));
        for (int r = 1; r <= n; ++r) list.push_back(MakeRecord({"pkg"}));
    }
    // The collection of a search with a UPnP part and no ONVIF part.
    void Collect(bool upnpStarted) {
        CollectSearchParts(form, form.ProjText(), list, engine, upnpStarted, onvif, false);
    }

    FakeWindow form;
    TComUnitList list;
    CPortForwardEngine engine;
    COnvifEngine onvif;
};

}  // namespace

TEST(UpnpDeviceRecord, NameAndAddressRules) {
    auto axis = UpnpDeviceRecord(Camera("AXIS", "f (x)", "AXIS KX1516 Network Camera", "http://203.0.113.90/"));
    ASSERT_TRUE(axis);
    EXPECT_STREQ(axis->model, "Axis 200 Series");
    EXPECT_STREQ(axis->proj, "Axis 200 Series");
    EXPECT_STREQ(axis->name, "AXIS KX1516 Network Camera");
    EXPECT_STREQ(axis->ip, "203.0.113.90");
    EXPECT_STREQ(axis->trigger_port, "80");
    EXPECT_STREQ(axis->netmask, "NULL");
    EXPECT_STREQ(axis->mac, "NULL");
    EXPECT_STREQ(axis->note, "NULL");

    auto vivo =
        UpnpDeviceRecord(Camera("Vivotek Inc.", "VK8619 (198.51.100.4)", "d", "http://198.51.100.4:8080/index.html"));
    ASSERT_TRUE(vivo);
    EXPECT_STREQ(vivo->model, "VivoTek 7000 Series");
    EXPECT_STREQ(vivo->name, "VK8619 ") << "the blank before the parenthesis stays";
    EXPECT_STREQ(vivo->ip, "198.51.100.4");
    EXPECT_STREQ(vivo->trigger_port, "8080");

    auto both = UpnpDeviceRecord(Camera("Vivotek AXIS", "no paren", "desc", "http://203.0.113.4/"));
    ASSERT_TRUE(both) << "AXIS wins, and needs no parenthesis";
    EXPECT_STREQ(both->model, "Axis 200 Series");
}

TEST(UpnpDeviceRecord, SkippedDevices) {
    EXPECT_FALSE(UpnpDeviceRecord(Camera("Axis", "x (y)", "d", "http://203.0.113.4/"))) << "maker case counts";
    EXPECT_FALSE(UpnpDeviceRecord(Camera("VIVOTEK", "x (y)", "d", "http://203.0.113.4/")));
    EXPECT_FALSE(UpnpDeviceRecord(Camera("Vivotek", "no parenthesis", "d", "http://203.0.113.4/")));
    EXPECT_FALSE(UpnpDeviceRecord(Camera("AXIS", "", "d", "http://203.0.113.90"))) << "no / after the host";
    EXPECT_FALSE(UpnpDeviceRecord(Camera("AXIS", "", "d", "/index.html"))) << "relative URL";
    EXPECT_FALSE(UpnpDeviceRecord(Camera("AXIS", "", "d", "http://a-very-long-host-name.example/")))
        << "an address that does not fit the record would name another host";
}

TEST_F(UpnpCollection, AllAddsRowsBehindThePackageRowsAndCountsEverything) {
    AddPackageRows(3);
    engine.m_Devices = {Camera("AXIS", "", "cam", "http://198.51.100.9/"),
                        Camera("Heronfield", "", "x", "http://198.51.100.8/")};
    Collect(true);
    ASSERT_EQ(form.RowCount(), 5);
    EXPECT_EQ(form.Cell(0, 3), "pkg3");
    EXPECT_EQ(form.Cell(0, 4), "Axis 200 Series");
    EXPECT_EQ(form.Cell(kColNetmask, 4), "NULL");
    EXPECT_EQ(form.Cell(kColMac, 4), "NULL");
    EXPECT_EQ(form.label1Caption, "4 device(s) found!");
    EXPECT_EQ(list.size(), 4u);
    EXPECT_STREQ(list.back().ip, "198.51.100.9");
    EXPECT_TRUE(form.button1Enabled);
    EXPECT_EQ(form.button1Caption, "Lanvaro");
    EXPECT_FALSE(engine.SearchPending()) << "the window may close again";
}

TEST_F(UpnpCollection, UpnpFilterInAnyCaseKeepsOnlyUpnpRowsButKeepsTheRecords) {
    form.proj = "uPnP";
    AddPackageRows(2);
    engine.m_Devices = {Camera("AXIS", "", "cam", "http://198.51.100.9/")};
    Collect(true);
    ASSERT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.Cell(0, 1), "Axis 200 Series");
    EXPECT_EQ(list.size(), 3u);
    EXPECT_EQ(form.label1Caption, "1 device(s) found!");
}

TEST_F(UpnpCollection, NothingAtAllShowsOneEmptyRowAndZero) {
    form.label1Caption = "earlier";
    Collect(true);
    EXPECT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.Cell(0, 1), "");
    EXPECT_EQ(form.label1Caption, "0 device(s) found!");
    EXPECT_TRUE(form.button1Enabled);
}

TEST_F(UpnpCollection, FilterChangedDuringTheWaitAddsNothingAndKeepsTheLabel) {
    form.proj = "P2";
    form.label1Caption = "earlier";
    AddPackageRows(1);
    engine.m_Devices = {Camera("AXIS", "", "cam", "http://198.51.100.9/")};
    Collect(true);
    EXPECT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.label1Caption, "earlier");
    EXPECT_TRUE(form.button1Enabled);
    EXPECT_EQ(form.button1Caption, "Lanvaro");
    EXPECT_FALSE(engine.SearchPending());
}

TEST_F(UpnpCollection, DevicesOfAnEarlierSearchAreNotListedWhenThisRunStartedNone) {
    engine.m_Devices = {Camera("AXIS", "", "stale", "http://198.51.100.9/")};
    Collect(false);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(form.label1Caption, "0 device(s) found!");
}

TEST(UpnpRowText, ALineBreakInADescriptionIsOneBlankAndOrderingKeepsEveryCellInItsColumn) {
    std::setlocale(LC_ALL, "C.UTF-8");
    FakeWindow form;
    MainFormLogic logic(form);
    const tComUnitInfo device = MakeRecord({"KV-2100", "IPCam", "Gate", "198.51.100.5", "80", "255.255.255.0",
                                            "198.51.100.1", "198.51.100.2", "02:4B:56:00:00:01", "HW1.0", ""});
    logic.ComUnitList.push_back(device);
    form.SetRowCount(2);
    WriteRecordRow(form, 1, device);
    logic.Engine.m_Devices = {Camera("AXIS", "", "Lobby\r\ncamera\nnorth", "http://198.51.100.9/")};
    logic.Engine.m_hSearchEvent = std::make_shared<ManualResetEvent>();
    CollectSearchParts(form, form.ProjText(), logic.ComUnitList, logic.Engine, true, logic.OnvifEngine, false);
    logic.StringGrid1MouseUp(true, kColName, 0);
    logic.StringGrid1MouseUp(true, kColName, 0);

    const std::vector<std::string> upnpRow{
        "Axis 200 Series", "Axis 200 Series", "Lobby camera north", "198.51.100.9", "80", "NULL", "NULL"};
    std::vector<std::vector<std::string>> rows = form.DataRows();
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows,
              (std::vector<std::vector<std::string>>{
                  upnpRow, {"KV-2100", "IPCam", "Gate", "198.51.100.5", "80", "255.255.255.0", "02:4B:56:00:00:01"}}));

    // The row still finds its device, and still takes no network settings.
    const int row = form.Cell(kColNetmask, 1) == "NULL" ? 1 : 2;
    logic.StringGrid1SelectCell(0, row);
    logic.PopupMenu1Popup();
    EXPECT_FALSE(form.networkSetupEnabled);
    logic.Info1Click();
    ASSERT_EQ(form.upnpInfoShown.size(), 1u);
    EXPECT_EQ(form.upnpInfoShown[0].Description, "Lobby\r\ncamera\nnorth");
}

TEST(UpnpResultThreadBody, WaitsOffTheWindowThreadThenCollectsOnIt) {
    FakeWindow form;
    auto event = std::make_shared<ManualResetEvent>();
    std::atomic<bool> collectedOnWindowThread{false};
    std::atomic<bool> collected{false};
    std::thread t(PartsResultThread, std::ref(form), "Search Upnp...", std::vector{event}, [&] {
        collectedOnWindowThread = form.IsWindowThread();
        collected = true;
    });
    form.RunUntil([&] { return form.button1Caption == "Search Upnp..."; }, std::chrono::seconds(5));
    EXPECT_EQ(form.button1Caption, "Search Upnp...");
    EXPECT_FALSE(form.RunUntil([&] { return collected.load(); }, std::chrono::milliseconds(50)))
        << "collected before the event was set";
    event->Set();
    EXPECT_TRUE(form.RunUntil([&] { return collected.load(); }, std::chrono::seconds(5)));
    t.join();
    EXPECT_TRUE(collectedOnWindowThread);
}
