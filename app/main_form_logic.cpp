// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/main_form_logic.h"

#include "netsetup/network_setup_action.h"
#include "protocol/reply_parser.h"
#include "protocol/text_format.h"
#include "protocol/window_wait.h"
#include "web/detail_actions.h"

MainFormLogic::MainFormLogic(WindowOps& form) : form_(form) {}

MainFormLogic::~MainFormLogic() {
    watchTicker_.reset();
    cancel_ = true;
    JoinThreads();
}

void MainFormLogic::FormCreate(const std::vector<int>& designColumnWidths) {
    SelectRow(1);
    for (int col = 0; col < kGridColumnCount; ++col) form_.SetCell(col, 0, kGridHeaderTexts[col]);
    form_.SetRelayControlsEnabled(form_.SelectedSearchMethod() == SearchMethod::IpRelay);
    form_.SetWindowCaption(StrFormat("Lanvaro - %s", LANVARO_VERSION));

    int sum = 0;
    for (std::size_t i = 0; i < designColumnWidths.size(); ++i) {
        sum += designColumnWidths[i];
        form_.Log(StrFormat("Col[%d] - (%d, %d)\n", static_cast<int>(i), designColumnWidths[i], sum));
    }
    ColumnProportions.clear();
    if (sum <= 0) return;
    for (std::size_t i = 0; i < designColumnWidths.size(); ++i) {
        const float proportion = static_cast<float>(designColumnWidths[i]) / static_cast<float>(sum);
        form_.Log(StrFormat("Col[%d] - (%d, %d, %f)\n", static_cast<int>(i), designColumnWidths[i], sum,
                            static_cast<double>(proportion)));
        ColumnProportions.push_back(proportion);
    }
}

std::vector<int> MainFormLogic::FormResize(int tableWidth) const {
    std::vector<int> widths;
    for (float proportion : ColumnProportions)
        widths.push_back(proportion > 0 ? static_cast<int>(proportion * static_cast<float>(tableWidth)) : -1);
    return widths;
}

bool MainFormLogic::FormCloseQuery() {
    // A range search can run for a minute, its UPnP part with it: closing
    // stops it, and the window can close once the parts have ended.
    StopSearch();
    if (Engine.SearchPending()) {
        form_.ShowMessage("Searching Upnp Devices! Please wait", "Warning", MessageIcon::Warning);
        return false;
    }
    if (OnvifEngine.SearchPending()) {
        form_.ShowMessage("Searching Onvif Devices! Please wait", "Warning", MessageIcon::Warning);
        return false;
    }
    if (WindowWaitsRunning() > 0) {
        form_.ShowMessage(kWaitingForAnAnswerText, "Warning", MessageIcon::Warning);
        return false;
    }
    return true;
}

int MainFormLogic::ParserPlainPkg(const char* buf, int len) {
    return ::ParserPlainPkg(form_, ComUnitList, NextRow, buf, len, &report_.replies, &listedDevices_);
}

void MainFormLogic::Info1Click() {
    // While a search thread fills the device list it must not be read.
    static const std::vector<DeviceInformationContainer> kNone;
    static const std::vector<OnvifDeviceInfo> kNoOnvif;
    ::Info1Click(form_, ComUnitList, Engine.DevicesReady() ? Engine.m_Devices : kNone, SelectedRow,
                 OnvifEngine.DevicesReady() ? OnvifEngine.m_Devices : kNoOnvif);
}

void MainFormLogic::Browser1Click() { ::Browser1Click(form_, ComUnitList, SelectedRow); }

void MainFormLogic::NetworkSetup1Click() {
    if (const std::vector<int> rows = form_.SelectedRows(); rows.size() > 1) {
        form_.ShowBatchSetup(SelectedRecords(rows));
        return;
    }
    ::NetworkSetup1Click(form_, ComUnitList, SelectedRow);
}
