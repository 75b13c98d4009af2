// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window as the search worker sees it: the controls' values as they
// stood when the search began, log lines handed to the window thread, and
// nothing else. The worker never waits for the window thread, so closing the
// window can always stop and join it.

#include <string>
#include <vector>

#include "protocol/window_ops.h"

// The controls a search reads: which devices, by which method, through which relay.
struct SearchSettings {
    std::string proj;
    SearchMethod method = SearchMethod::LocalBroadcast;
    std::string relayAddress;
    std::string relayTransport;
    // Address Range: the ranges as typed, and datagrams per second.
    std::string ranges;
    int rangeRate = 0;
};

// The window's controls as they stand (window thread).
SearchSettings ReadSearchSettings(WindowOps& window);

class WorkerForm : public WindowOps {
public:
    // Reads the values on the window thread.
    explicit WorkerForm(WindowOps& window);
    // A search with settings of its own, whatever the controls show now.
    WorkerForm(WindowOps& window, const SearchSettings& settings);

    std::string ProjText() override { return proj_; }
    SearchMethod SelectedSearchMethod() override { return method_; }
    std::string RelayAddressText() override { return relayAddress_; }
    int RelayAddressSelectedIndex() override { return -1; }
    std::vector<std::string> RelayAddressItems() override { return {}; }
    void SetRelayAddressItems(const std::vector<std::string>&) override {}
    std::string RelayTransportText() override { return relayTransport_; }
    std::string AddressRangeText() override { return ranges_; }

    void SetButton1Enabled(bool) override {}
    void SetButton1Caption(const std::string&) override {}
    void SetLabel1Caption(const std::string&) override {}
    void SetWindowCaption(const std::string&) override {}
    void SetRelayControlsEnabled(bool) override {}
    void SetNetworkSetupEnabled(bool) override {}
    void SetPopupAttached(bool) override {}
    void SetStatusText(const std::string&) override {}
    std::string Cell(int, int) override { return {}; }
    void SetCell(int, int, const std::string&) override {}
    int RowCount() override { return 0; }
    void SetRowCount(int) override {}
    void SetHeaderRowFixed(bool) override {}
    void SetCellMark(int, int, const std::string&) override {}
    void SetCurrentRow(int) override {}

    void Log(const std::string& line) override;

    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void ShowDeviceInfo(const tComUnitInfo&) override {}
    void ShowUpnpDeviceInfo(const DeviceInformationContainer&) override {}
    void ShowOnvifDeviceInfo(const OnvifDeviceInfo&) override {}
    void ShowNetworkSetup(const tComUnitInfo&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
    bool IsModalOpen() override { return false; }
    bool OpenUrl(const std::string&) override { return false; }

    bool IsWindowThread() override { return false; }
    void Post(std::function<void()> task) override { window_.Post(std::move(task)); }
    void ProcessMessages() override {}

private:
    WindowOps& window_;
    std::string proj_;
    SearchMethod method_;
    std::string relayAddress_;
    std::string relayTransport_;
    std::string ranges_;
};
