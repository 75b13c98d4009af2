// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "tests/support/fake_window.h"

TEST(GridSelection, DataRowsAttachThePopupAndAreLoggedHeaderRowDetachesIt) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.SetRowCount(3);
    form.SetCell(kColIp, 2, "198.51.100.7");
    logic.StringGrid1SelectCell(4, 2);
    EXPECT_EQ(logic.SelectedRow, 2);
    EXPECT_TRUE(form.popupAttached);
    EXPECT_TRUE(form.LogContains("ARow(2) ACol(4) IP(198.51.100.7)"));

    logic.StringGrid1SelectCell(1, 0);
    EXPECT_FALSE(form.popupAttached);
    EXPECT_EQ(logic.SelectedRow, 2) << "the header row is never the selected row";
}

TEST(GridSelection, NetworkSetupIsDisabledForRowsMarkedNull) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.SetRowCount(3);
    form.SetCell(kColNetmask, 1, "NULL");
    form.SetCell(kColNetmask, 2, "255.255.255.0");
    logic.SelectedRow = 1;
    logic.PopupMenu1Popup();
    EXPECT_FALSE(form.networkSetupEnabled);
    logic.SelectedRow = 2;
    logic.PopupMenu1Popup();
    EXPECT_TRUE(form.networkSetupEnabled);
}

TEST(GridSelection, HandPointerOnlyOverIpCellsOfDataRows) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.SetRowCount(3);
    EXPECT_TRUE(logic.WantsHandCursor(kColIp, 1));
    EXPECT_FALSE(logic.WantsHandCursor(kColIp, 0));
    EXPECT_FALSE(logic.WantsHandCursor(kColMac, 1));
    EXPECT_FALSE(logic.WantsHandCursor(kColIp, 3)) << "below the last row";
}

TEST(SearchMethodControls, RelayControlsFollowTheRadioButtons) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.method = SearchMethod::IpRelay;
    logic.RadioButton2Click();
    EXPECT_TRUE(form.relayControlsEnabled);
    form.method = SearchMethod::LocalBroadcast;
    logic.RadioButton1Click();
    EXPECT_FALSE(form.relayControlsEnabled);
}

TEST(SearchMethodControls, TypedRelayAddressesJoinTheListOnce) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.relayAddress = "203.0.113.20";
    form.relaySelectedIndex = -1;
    logic.ComboBox1Exit();
    logic.ComboBox1Exit();
    EXPECT_EQ(form.relayItems, (std::vector<std::string>{"<Customized>", "203.0.113.20"}));

    form.relayAddress = "0";
    logic.ComboBox1Exit();
    form.relayAddress = "";
    logic.ComboBox1Exit();
    form.relayAddress = "<Customized>";
    form.relaySelectedIndex = 0;  // picked from the list
    logic.ComboBox1Exit();
    EXPECT_EQ(form.relayItems.size(), 2u);
}

namespace {

// A window whose table has several rows selected.
class SelectingWindow : public FakeWindow {
public:
    std::vector<int> selected;
    std::vector<std::vector<tComUnitInfo>> batches;
    std::vector<tComUnitInfo> singles;
    std::vector<int> SelectedRows() override { return selected; }
    void ShowBatchSetup(const std::vector<tComUnitInfo>& rows) override { batches.push_back(rows); }
    void ShowNetworkSetup(const tComUnitInfo& record) override { singles.push_back(record); }
};

}  // namespace

TEST(GridSelection, SeveralSelectedRowsOpenOneBatchAndNetworkSetupNeedsOneThatTakesSettings) {
    SelectingWindow form;
    MainFormLogic logic(form);
    const std::vector<tComUnitInfo> records = {
        MakeRecord({"KV", "IPCam", "one", "198.51.100.9", "80", "255.255.255.0", "", "", "02:4B:43:00:00:01", "", ""}),
        MakeRecord({"Axis", "Axis", "cam", "198.51.100.7", "80", "NULL", "", "", "NULL", "", ""}),
        MakeRecord({"KV", "IPCam", "two", "198.51.100.9", "80", "255.255.255.0", "", "", "02:4B:43:00:00:02", "", ""}),
    };
    form.SetRowCount(4);
    for (int row = 1; row <= 3; ++row) {
        WriteRecordRow(form, row, records[static_cast<std::size_t>(row - 1)]);
        logic.ComUnitList.push_back(records[static_cast<std::size_t>(row - 1)]);
    }

    // The current row is the UPnP one, but the selection holds a device that takes settings.
    logic.SelectedRow = 2;
    form.selected = {2};
    logic.PopupMenu1Popup();
    EXPECT_FALSE(form.networkSetupEnabled);
    form.selected = {1, 2, 3};
    logic.PopupMenu1Popup();
    EXPECT_TRUE(form.networkSetupEnabled);

    logic.NetworkSetup1Click();
    ASSERT_EQ(form.batches.size(), 1u);
    ASSERT_EQ(form.batches[0].size(), 3u);
    EXPECT_EQ(ComUnitFieldText(form.batches[0][0].name), "one");
    EXPECT_EQ(ComUnitFieldText(form.batches[0][1].name), "cam");
    EXPECT_EQ(ComUnitFieldText(form.batches[0][2].name), "two");
    EXPECT_TRUE(form.singles.empty());

    // One selected row is the single dialog, on SelectedRow, as before.
    form.selected = {3};
    logic.SelectedRow = 3;
    logic.NetworkSetup1Click();
    ASSERT_EQ(form.singles.size(), 1u);
    EXPECT_EQ(ComUnitFieldText(form.singles[0].name), "two");
    EXPECT_EQ(form.batches.size(), 1u);
}
