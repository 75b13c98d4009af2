#pragma once
// A main window for the fuzz targets: keeps the grid and the log in memory
// and bounds both, so a long run does not grow without end.

#include <string>
#include <vector>

#include "protocol/window_ops.h"

class FuzzForm : public WindowOps {
public:
    std::string proj = "ALL";
    std::vector<std::vector<std::string>> rows{std::vector<std::string>(kGridColumnCount)};
    std::size_t logLines = 0;

    std::string ProjText() override { return proj; }
    SearchMethod SelectedSearchMethod() override { return SearchMethod::IpRelay; }
    std::string RelayAddressText() override { return "127.0.0.1"; }
    int RelayAddressSelectedIndex() override { return -1; }
    std::vector<std::string> RelayAddressItems() override { return {}; }
    void SetRelayAddressItems(const std::vector<std::string>&) override {}
    std::string RelayTransportText() override { return "UDP"; }
    void SetButton1Enabled(bool) override {}
    void SetButton1Caption(const std::string&) override {}
    void SetLabel1Caption(const std::string&) override {}
    void SetWindowCaption(const std::string&) override {}
    void SetRelayControlsEnabled(bool) override {}
    void SetNetworkSetupEnabled(bool) override {}
    void SetPopupAttached(bool) override {}
    std::string Cell(int col, int row) override {
        if (row < 0 || col < 0 || row >= RowCount() || col >= kGridColumnCount) return {};
        return rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
    }
    void SetCell(int col, int row, const std::string& text) override {
        // Writes outside the grid are a parser fault here.
        if (row < 0 || col < 0 || row >= RowCount() || col >= kGridColumnCount) __builtin_trap();
        rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
    }
    int RowCount() override { return static_cast<int>(rows.size()); }
    void SetRowCount(int count) override {
        if (count < 0 || count > 100000) __builtin_trap();
        rows.resize(static_cast<std::size_t>(count), std::vector<std::string>(kGridColumnCount));
    }
    void SetHeaderRowFixed(bool) override {}
    void Log(const std::string&) override { ++logLines; }
    void ShowMessage(const std::string&, const std::string&, MessageIcon) override {}
    void ShowDeviceInfo(const tComUnitInfo&) override {}
    void ShowUpnpDeviceInfo(const DeviceInformationContainer&) override {}
    void ShowNetworkSetup(const tComUnitInfo&) override {}
    bool OpenUrl(const std::string&) override { return false; }
    bool IsWindowThread() override { return true; }
    void Post(std::function<void()> task) override { task(); }
    void ProcessMessages() override {}
};

inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}
