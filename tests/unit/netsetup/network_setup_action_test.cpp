// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/network_setup_action.h"

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"

namespace {

tComUnitInfo Device(const std::string& name, const std::string& ip, const std::string& mac) {
    return MakeRecord(
        {"IPCAM", "P1", name, ip, "80", "255.255.255.0", "198.51.100.1", "198.51.100.2", mac, "eth0", ""});
}

// Shows the records in rows 1.. in list order.
void ShowInGrid(FakeWindow& form, const TComUnitList& list) {
    form.SetRowCount(static_cast<int>(list.size()) + 1);
    for (std::size_t i = 0; i < list.size(); ++i) WriteRecordRow(form, static_cast<int>(i) + 1, list[i]);
}

std::vector<std::string> Names(const std::vector<tComUnitInfo>& shown) {
    std::vector<std::string> names;
    for (const auto& r : shown) names.push_back(ComUnitFieldText(r.name));
    return names;
}

TEST(NetworkSetup1Click, OpensTheDialogForEveryRecordOfTheRowInListOrder) {
    // The same device listed twice (as a relay and a broadcast may both
    // report it) opens the dialog once for each record.
    const TComUnitList list{Device("first", "198.51.100.5", "00:11:22:33:44:55"),
                            Device("other", "198.51.100.6", "00:11:22:33:44:66"),
                            Device("second", "198.51.100.5", "00:11:22:33:44:55")};
    FakeWindow form;
    ShowInGrid(form, list);
    NetworkSetup1Click(form, list, 1);
    EXPECT_EQ(Names(form.networkSetupShown), (std::vector<std::string>{"first", "second"}));
    EXPECT_EQ(form.log, (std::vector<std::string>{"198.51.100.5", "198.51.100.5"}));
    // The dialog is given the whole record, not only the row's cells.
    EXPECT_EQ(ComUnitFieldText(form.networkSetupShown[0].gateway), "198.51.100.1");
    EXPECT_EQ(ComUnitFieldText(form.networkSetupShown[0].dev), "eth0");
}

TEST(NetworkSetup1Click, OpensNothingWhereNoRecordOrAUpnpRecordMatches) {
    TComUnitList list{Device("upnp", "198.51.100.9", "NULL"), Device("cam", "198.51.100.5", "00:11:22:33:44:55")};
    FakeWindow form;
    ShowInGrid(form, list);
    NetworkSetup1Click(form, list, 1);  // the UPnP row
    EXPECT_TRUE(form.networkSetupShown.empty());
    EXPECT_TRUE(form.log.empty());

    // The match is exact: a row whose MAC differs only in case has no record.
    form.SetCell(kColMac, 2, "00:11:22:33:44:5A");
    list[1] = Device("cam", "198.51.100.5", "00:11:22:33:44:5a");
    NetworkSetup1Click(form, list, 2);
    EXPECT_TRUE(form.networkSetupShown.empty());

    // A row left after the list was emptied by a new search.
    NetworkSetup1Click(form, TComUnitList{}, 2);
    EXPECT_TRUE(form.networkSetupShown.empty());
}

TEST(NetworkSetup1Click, IgnoresARowIndexOutsideTheGrid) {
    const TComUnitList list{Device("cam", "198.51.100.5", "00:11:22:33:44:55")};
    FakeWindow form;
    ShowInGrid(form, list);
    for (int row : {2, 100, -1}) NetworkSetup1Click(form, list, row);
    EXPECT_TRUE(form.networkSetupShown.empty());
    NetworkSetup1Click(form, list, 1);
    EXPECT_EQ(form.networkSetupShown.size(), 1u);
}

// A window whose modal dialog lets results of a running search in.
class GrowingListWindow : public FakeWindow {
public:
    explicit GrowingListWindow(TComUnitList& list) : list_(list) {}
    void ShowNetworkSetup(const tComUnitInfo& record) override {
        FakeWindow::ShowNetworkSetup(record);
        for (int i = 0; i < 64; ++i) list_.push_back(Device("late", "203.0.113.1", "00:11:22:33:44:77"));
    }

private:
    TComUnitList& list_;
};

TEST(NetworkSetup1Click, SurvivesRecordsAddedWhileTheDialogIsOpen) {
    TComUnitList list{Device("first", "198.51.100.5", "00:11:22:33:44:55"),
                      Device("second", "198.51.100.5", "00:11:22:33:44:55")};
    list.shrink_to_fit();
    GrowingListWindow form(list);
    ShowInGrid(form, list);
    NetworkSetup1Click(form, list, 1);
    EXPECT_EQ(Names(form.networkSetupShown), (std::vector<std::string>{"first", "second"}));
}

}  // namespace
