// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A main window held in memory: every control is a plain value, every modal
// window is recorded instead of shown, and the window thread is the thread
// that made it (posted tasks run when that thread pumps). The console form of
// lanvaro-cli and the tests' fake window build on it.

#include <chrono>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "protocol/com_unit_info.h"
#include "protocol/device_information_container.h"
#include "protocol/onvif_device_info.h"
#include "protocol/task_queue.h"
#include "protocol/window_ops.h"

struct ShownMessage {
    std::string text;
    std::string title;
    MessageIcon icon;
};

class MemoryForm : public WindowOps {
public:
    MemoryForm();

    // Control values; tests set and inspect them directly.
    std::string proj = "ALL";
    SearchMethod method = SearchMethod::LocalBroadcast;
    std::string relayAddress = "<Customized>";
    int relaySelectedIndex = -1;
    std::vector<std::string> relayItems{"<Customized>"};
    std::string relayTransport = "TCP";
    std::string addressRange;
    std::vector<std::string> rangeItems;
    bool stopEnabled = false;
    // The last progress of a range search's sending: sent, total.
    std::pair<long long, long long> rangeProgress{0, 0};
    bool button1Enabled = true;
    std::string button1Caption = "Lanvaro";
    std::string label1Caption = "0 device(s) found!";
    std::string windowCaption = "Lanvaro";
    std::string statusText;
    bool relayControlsEnabled = false;
    bool networkSetupEnabled = true;
    bool popupAttached = true;
    bool headerRowFixed = true;
    int currentRow = 0;  // the highlighted row; 0 for none

    // The grid: rows[r][c]; rows.size() is the row count.
    std::vector<std::vector<std::string>> rows;
    // Marked cells by (col, row), with their tool tips.
    std::map<std::pair<int, int>, std::string> marks;
    // Row tool tips by row.
    std::map<int, std::string> rowToolTips;

    std::vector<std::string> log;
    std::vector<ShownMessage> messages;
    std::vector<tComUnitInfo> deviceInfoShown;
    std::vector<DeviceInformationContainer> upnpInfoShown;
    std::vector<OnvifDeviceInfo> onvifInfoShown;
    std::vector<tComUnitInfo> networkSetupShown;
    std::vector<std::string> urlsOpened;
    bool openUrlResult = true;
    std::vector<std::string> questions;  // asked with AskYesNo
    bool answerYes = true;
    bool modalOpen = false;

    // Runs posted tasks on the calling (window) thread.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
        return queue_.RunUntil(done, timeout);
    }
    int RunPending() { return queue_.RunPending(); }

    // True when some log line contains the text.
    bool LogContains(const std::string& text) const;
    // The data rows (1 .. row count - 1) as vectors of cells.
    std::vector<std::vector<std::string>> DataRows() const;

    // WindowOps
    std::string ProjText() override { return proj; }
    SearchMethod SelectedSearchMethod() override { return method; }
    std::string RelayAddressText() override { return relayAddress; }
    int RelayAddressSelectedIndex() override { return relaySelectedIndex; }
    std::vector<std::string> RelayAddressItems() override { return relayItems; }
    void SetRelayAddressItems(const std::vector<std::string>& items) override { relayItems = items; }
    std::string RelayTransportText() override { return relayTransport; }
    std::string AddressRangeText() override { return addressRange; }
    std::vector<std::string> AddressRangeItems() override { return rangeItems; }
    void SetAddressRangeItems(const std::vector<std::string>& items) override { rangeItems = items; }
    void SetRangeProgress(long long sent, long long total) override { rangeProgress = {sent, total}; }
    void SetStopEnabled(bool enabled) override { stopEnabled = enabled; }
    void SetRowToolTip(int row, const std::string& toolTip) override;
    void SetButton1Enabled(bool enabled) override { button1Enabled = enabled; }
    void SetButton1Caption(const std::string& caption) override { button1Caption = caption; }
    void SetLabel1Caption(const std::string& caption) override { label1Caption = caption; }
    void SetWindowCaption(const std::string& caption) override { windowCaption = caption; }
    void SetRelayControlsEnabled(bool enabled) override { relayControlsEnabled = enabled; }
    void SetNetworkSetupEnabled(bool enabled) override { networkSetupEnabled = enabled; }
    void SetPopupAttached(bool attached) override { popupAttached = attached; }
    void SetStatusText(const std::string& text) override { statusText = text; }
    std::string Cell(int col, int row) override;
    void SetCell(int col, int row, const std::string& text) override;
    int RowCount() override { return static_cast<int>(rows.size()); }
    void SetRowCount(int count) override;
    void SetHeaderRowFixed(bool fixed) override { headerRowFixed = fixed; }
    void SetCellMark(int col, int row, const std::string& toolTip) override;
    void SetCurrentRow(int row) override { currentRow = row; }
    void Log(const std::string& line) override;
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        messages.push_back({text, title, icon});
    }
    void ShowDeviceInfo(const tComUnitInfo& record) override { deviceInfoShown.push_back(record); }
    void ShowUpnpDeviceInfo(const DeviceInformationContainer& device) override { upnpInfoShown.push_back(device); }
    void ShowOnvifDeviceInfo(const OnvifDeviceInfo& device) override { onvifInfoShown.push_back(device); }
    void ShowNetworkSetup(const tComUnitInfo& record) override { networkSetupShown.push_back(record); }
    bool AskYesNo(const std::string& text, const std::string&) override {
        questions.push_back(text);
        return answerYes;
    }
    bool IsModalOpen() override { return modalOpen; }
    bool OpenUrl(const std::string& url) override {
        urlsOpened.push_back(url);
        return openUrlResult;
    }
    bool IsWindowThread() override { return queue_.IsOwnerThread(); }
    void Post(std::function<void()> task) override { queue_.Post(std::move(task)); }
    void ProcessMessages() override { queue_.RunPending(); }

private:
    TaskQueue queue_;
};
