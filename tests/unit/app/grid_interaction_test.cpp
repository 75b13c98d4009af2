#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "tests/support/fake_window.h"

TEST(GridSelection, DataRowsAttachThePopupAndAreLoggedHeaderRowDetachesIt) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.SetRowCount(3);
    form.SetCell(kColIp, 2, "10.0.0.7");
    logic.StringGrid1SelectCell(4, 2);
    EXPECT_EQ(logic.SelectedRow, 2);
    EXPECT_TRUE(form.popupAttached);
    EXPECT_TRUE(form.LogContains("ARow(2) ACol(4) IP(10.0.0.7)"));

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
    form.relayAddress = "192.168.0.20";
    form.relaySelectedIndex = -1;
    logic.ComboBox1Exit();
    logic.ComboBox1Exit();
    EXPECT_EQ(form.relayItems, (std::vector<std::string>{"<Customized>", "192.168.0.20"}));

    form.relayAddress = "0";
    logic.ComboBox1Exit();
    form.relayAddress = "";
    logic.ComboBox1Exit();
    form.relayAddress = "<Customized>";
    form.relaySelectedIndex = 0;  // picked from the list
    logic.ComboBox1Exit();
    EXPECT_EQ(form.relayItems.size(), 2u);
}
