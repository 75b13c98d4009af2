// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/detail_actions.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"
#include "tests/support/fake_window.h"

namespace {

tComUnitInfo Record(const std::string& name, const std::string& ip, const std::string& port, const std::string& mac,
                    const std::string& netmask = "255.255.255.0") {
    return MakeRecord({"IPCAM-2", "CAM", name, ip, port, netmask, "198.51.100.1", "8.8.8.8", mac, "eth0", "note"});
}

DeviceInformationContainer Device(const std::string& name, const std::string& presentationUrl) {
    DeviceInformationContainer d;
    d.FriendlyName = name;
    d.ManufacturerName = "AXIS";
    d.PresentationURL = presentationUrl;
    return d;
}

std::vector<std::string> Names(const std::vector<tComUnitInfo>& shown) {
    std::vector<std::string> names;
    for (const auto& rec : shown) names.push_back(ComUnitFieldText(rec.name));
    return names;
}

std::vector<std::string> Names(const std::vector<DeviceInformationContainer>& shown) {
    std::vector<std::string> names;
    for (const auto& d : shown) names.push_back(d.FriendlyName);
    return names;
}

class DetailActions : public ::testing::Test {
protected:
    // Appends a grid row showing the record; returns its row index.
    int AddRow(const tComUnitInfo& rec) {
        const int row = form.RowCount();
        form.SetRowCount(row + 1);
        WriteRecordRow(form, row, rec);
        return row;
    }

    FakeWindow form;
    TComUnitList list;
    std::vector<DeviceInformationContainer> devices;
};

TEST_F(DetailActions, PackageRowShowsItsRecordAndLogsTheIpCell) {
    form.SetRowCount(1);
    list.push_back(Record("other", "198.51.100.20", "80", "00:11:22:33:44:20"));
    list.push_back(Record("front", "198.51.100.10", "8080", "00:11:22:33:44:10"));
    AddRow(list[0]);
    const int row = AddRow(list[1]);

    Info1Click(form, list, devices, row);

    ASSERT_EQ(form.deviceInfoShown.size(), 1u);
    EXPECT_EQ(0, std::memcmp(&form.deviceInfoShown[0], &list[1], sizeof(tComUnitInfo)));
    EXPECT_EQ(form.log, std::vector<std::string>{"198.51.100.10"});
    EXPECT_TRUE(form.upnpInfoShown.empty());
    EXPECT_TRUE(form.urlsOpened.empty());
}

TEST_F(DetailActions, RecordsSharingIpAndMacEachGetADialogAndBrowseTakesTheFirst) {
    form.SetRowCount(1);
    list.push_back(Record("first", "198.51.100.10", "8080", "00:11:22:33:44:10"));
    list.push_back(Record("same-ip-other-mac", "198.51.100.10", "81", "00:11:22:33:44:99"));
    list.push_back(Record("mac-in-other-case", "198.51.100.10", "82", "00:11:22:33:44:10"));
    SetComUnitField(list.back().mac, "00:11:22:33:44:10 ");
    list.push_back(Record("second", "198.51.100.10", "9090", "00:11:22:33:44:10"));
    const int row = AddRow(list[0]);

    Info1Click(form, list, devices, row);
    Browser1Click(form, list, row);

    EXPECT_EQ(Names(form.deviceInfoShown), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(form.log, (std::vector<std::string>{"198.51.100.10", "198.51.100.10"}));
    EXPECT_EQ(form.urlsOpened, std::vector<std::string>{"http://198.51.100.10:8080"});
}

TEST_F(DetailActions, RowsWithoutARecordOrOutsideTheGridDoNothing) {
    // The grid after a search that found nothing: header and one empty row.
    list.push_back(Record("elsewhere", "198.51.100.30", "80", "00:11:22:33:44:30"));
    devices.push_back(Device("cam", "http://198.51.100.30/"));
    ASSERT_EQ(form.RowCount(), 2);
    form.SetCell(kColIp, 0, "198.51.100.30");  // a header that happens to read like a key
    form.SetCell(kColMac, 0, "00:11:22:33:44:30");

    for (int row : {1, 2, 3, 0, -1}) {
        SCOPED_TRACE(row);
        Info1Click(form, list, devices, row);
        Browser1Click(form, list, row);
    }
    EXPECT_TRUE(form.deviceInfoShown.empty());
    EXPECT_TRUE(form.upnpInfoShown.empty());
    EXPECT_TRUE(form.urlsOpened.empty());
    EXPECT_TRUE(form.log.empty());
    EXPECT_TRUE(form.messages.empty());
}

TEST_F(DetailActions, UpnpRowOpensTheDevicesWhoseUrlHostIsTheRowAddress) {
    form.SetRowCount(1);
    devices = {
        Device("longer-address", "http://203.0.113.12/"),
        Device("with-port", "http://203.0.113.1:8080/index.html"),
        Device("address-in-path", "http://203.0.113.2/view?cam=203.0.113.1"),
        Device("prefix-host", "http://1203.0.113.1/"),
        Device("plain", "http://203.0.113.1/"),
        Device("no-slash-after-host", "http://203.0.113.1"),
        Device("empty-url", ""),
    };
    for (const char* ip : {"203.0.113.1", "203.0.113.12", "203.0.113.7"}) {
        list.push_back(Record("cam", ip, "80", "NULL", "NULL"));
        AddRow(list.back());
    }

    Info1Click(form, list, devices, 1);
    EXPECT_EQ(Names(form.upnpInfoShown), (std::vector<std::string>{"with-port", "plain"}));
    form.upnpInfoShown.clear();
    Info1Click(form, list, devices, 2);
    EXPECT_EQ(Names(form.upnpInfoShown), std::vector<std::string>{"longer-address"});
    form.upnpInfoShown.clear();
    Info1Click(form, list, devices, 3);  // no device at that address
    EXPECT_TRUE(form.upnpInfoShown.empty());

    EXPECT_TRUE(form.deviceInfoShown.empty());
    EXPECT_TRUE(form.log.empty());
}

TEST_F(DetailActions, RelayRowWhoseMacHoldsNullIsTreatedAsUpnp) {
    form.SetRowCount(1);
    devices = {Device("camera", "http://198.51.100.50/")};
    // An HTTP relay's row: a real netmask, but "NULL" inside the Mac text.
    list.push_back(Record("relay-row", "198.51.100.50", "80", "MAC-NULL", "255.255.255.0"));
    const int row = AddRow(list[0]);

    Info1Click(form, list, devices, row);

    EXPECT_EQ(Names(form.upnpInfoShown), std::vector<std::string>{"camera"});
    EXPECT_TRUE(form.deviceInfoShown.empty());
}

TEST_F(DetailActions, BrowseUsesTheRecordsAddressAndPort) {
    form.SetRowCount(1);
    list.push_back(Record("upnp", "203.0.113.1", "8080", "NULL", "NULL"));
    list.push_back(Record("no-port", "198.51.100.11", "", "00:11:22:33:44:11"));
    list.push_back(Record("word-port", "198.51.100.12", "http", "00:11:22:33:44:12"));
    for (const auto& rec : list) AddRow(rec);

    for (int row = 1; row <= 3; ++row) Browser1Click(form, list, row);

    EXPECT_EQ(form.urlsOpened, (std::vector<std::string>{"http://203.0.113.1:8080", "http://198.51.100.11:80",
                                                         "http://198.51.100.12:80"}));
    EXPECT_TRUE(form.log.empty());
}

TEST_F(DetailActions, BrowseRefusesAnAddressThatIsNoHostAndSaysWhy) {
    form.SetRowCount(1);
    const std::string unsafe[] = {"evil.com@203.0.",           "203.0.113.1/x", "203.0.113.1#", "a b", "",
                                  std::string("203.0.113.1\r")};
    for (const std::string& ip : unsafe) {
        list.push_back(Record("relay", ip, "80", "00:11:22:33:44:55"));
        AddRow(list.back());
    }

    for (int row = 1; row < form.RowCount(); ++row) Browser1Click(form, list, row);

    EXPECT_TRUE(form.urlsOpened.empty());
    ASSERT_EQ(form.log.size(), std::size(unsafe));
    for (const std::string& line : form.log) {
        EXPECT_NE(line.find("no page opened"), std::string::npos) << line;
        for (char c : line) EXPECT_GE(static_cast<unsigned char>(c), 0x20u) << line;
    }
}

TEST_F(DetailActions, BrowseLogsWhenTheBrowserCannotBeStarted) {
    form.SetRowCount(1);
    list.push_back(Record("cam", "198.51.100.10", "80", "00:11:22:33:44:10"));
    const int row = AddRow(list[0]);
    form.openUrlResult = false;

    Browser1Click(form, list, row);

    EXPECT_EQ(form.urlsOpened, std::vector<std::string>{"http://198.51.100.10:80"});
    ASSERT_EQ(form.log.size(), 1u);
    EXPECT_NE(form.log[0].find("http://198.51.100.10:80"), std::string::npos);
}

// A modal dialog runs the window's event loop, where a UPnP collection can
// append to the list; the records still to be shown must survive that.
class GrowingListWindow : public FakeWindow {
public:
    TComUnitList* list = nullptr;
    void ShowDeviceInfo(const tComUnitInfo& record) override {
        FakeWindow::ShowDeviceInfo(record);
        Grow();
    }
    void ShowUpnpDeviceInfo(const DeviceInformationContainer& device) override {
        FakeWindow::ShowUpnpDeviceInfo(device);
        Grow();
    }

private:
    void Grow() {
        for (int i = 0; i < 64; ++i) list->push_back(MakeRecord({"x", "x", "appended", "203.0.113.99"}));
    }
};

TEST(DetailActionsReentry, ListGrowingDuringADialogDoesNotLoseTheNextMatch) {
    GrowingListWindow form;
    TComUnitList list;
    list.reserve(2);
    list.push_back(Record("first", "198.51.100.10", "80", "00:11:22:33:44:10"));
    list.push_back(Record("second", "198.51.100.10", "80", "00:11:22:33:44:10"));
    form.list = &list;
    WriteRecordRow(form, 1, list[0]);

    Info1Click(form, list, {}, 1);

    EXPECT_EQ(Names(form.deviceInfoShown), (std::vector<std::string>{"first", "second"}));
}

TEST(DetailActionsReentry, ListGrowingDuringAUpnpDialogDoesNotLoseTheNextDevice) {
    GrowingListWindow form;
    TComUnitList list;
    list.reserve(2);
    // Two UPnP records of one address: every record walks every device.
    list.push_back(Record("a", "203.0.113.1", "80", "NULL", "NULL"));
    list.push_back(Record("b", "203.0.113.1", "80", "NULL", "NULL"));
    form.list = &list;
    WriteRecordRow(form, 1, list[0]);
    const std::vector<DeviceInformationContainer> devices = {Device("cam1", "http://203.0.113.1/"),
                                                             Device("cam2", "http://203.0.113.1:81/")};

    Info1Click(form, list, devices, 1);

    EXPECT_EQ(Names(form.upnpInfoShown), (std::vector<std::string>{"cam1", "cam2", "cam1", "cam2"}));
}

}  // namespace
