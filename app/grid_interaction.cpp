// SPDX-License-Identifier: GPL-3.0-or-later
// The result table's selection, pop-up menu, header clicks and pointer, and
// the search-method controls.

#include <algorithm>

#include "app/main_form_logic.h"
#include "protocol/text_format.h"
#include "web/detail_actions.h"

void MainFormLogic::StringGrid1SelectCell(int col, int row) {
    if (row <= 0) {
        form_.SetPopupAttached(false);
        return;
    }
    SelectedRow = row;
    form_.SetPopupAttached(true);
    form_.Log(StrFormat("ARow(%d) ACol(%d) IP(%s)\n", row, col, form_.Cell(kColIp, row).c_str()));
}

void MainFormLogic::SelectRow(int row) {
    SelectedRow = row;
    form_.SetCurrentRow(row);
}

void MainFormLogic::PopupMenu1Popup() {
    // A UPnP device cannot be sent network settings, an ONVIF camera takes
    // them through its device service; of several selected rows, one that
    // can is enough.
    auto takesSettings = [this](int row) {
        return form_.Cell(kColNetmask, row).find("NULL") == std::string::npos || IsOnvifRow(form_, row);
    };
    const std::vector<int> rows = form_.SelectedRows();
    if (rows.size() > 1)
        form_.SetNetworkSetupEnabled(std::any_of(rows.begin(), rows.end(), takesSettings));
    else
        form_.SetNetworkSetupEnabled(takesSettings(SelectedRow));
}

std::vector<tComUnitInfo> MainFormLogic::SelectedRecords(const std::vector<int>& rows) {
    std::vector<tComUnitInfo> records;
    for (const int row : rows) {
        if (row < 1 || row >= form_.RowCount()) continue;
        const std::string ip = form_.Cell(kColIp, row);
        const std::string mac = form_.Cell(kColMac, row);
        const auto record = std::find_if(ComUnitList.begin(), ComUnitList.end(),
                                         [&](const tComUnitInfo& r) { return RowShowsRecord(ip, mac, r); });
        if (record != ComUnitList.end()) records.push_back(*record);
    }
    return records;
}

void MainFormLogic::StringGrid1MouseUp(bool leftButton, int col, int row) {
    if (row != 0 || !leftButton || col < 0 || col >= kGridColumnCount) return;
    // Ordering a table that is still filling would pad it with an empty row
    // that the ending then counts, and the rows still to come would land
    // behind it unordered.
    if (searching_) return;
    SortAscending = !SortAscending;
    SortStringGrid(col);
}

bool MainFormLogic::WantsHandCursor(int col, int row) const {
    return col == kColIp && row >= 1 && row < form_.RowCount();
}

void MainFormLogic::RadioButton1Click() {
    if (form_.SelectedSearchMethod() == SearchMethod::LocalBroadcast) form_.SetRelayControlsEnabled(false);
}

void MainFormLogic::RadioButton2Click() {
    if (form_.SelectedSearchMethod() == SearchMethod::IpRelay) form_.SetRelayControlsEnabled(true);
}

void MainFormLogic::RangeRadioButtonClick() {
    // The relay's boxes say nothing about a range search.
    if (form_.SelectedSearchMethod() == SearchMethod::AddressRange) form_.SetRelayControlsEnabled(false);
}

void MainFormLogic::ComboBox1Exit() {
    const std::string text = form_.RelayAddressText();
    if (text.empty() || text == "0" || form_.RelayAddressSelectedIndex() >= 0) return;
    std::vector<std::string> items = form_.RelayAddressItems();
    // Leaving the box again with the same typed text must not list it twice.
    if (std::find(items.begin(), items.end(), text) != items.end()) return;
    items.push_back(text);
    form_.SetRelayAddressItems(items);
}
