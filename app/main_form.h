// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TMainForm: the Qt main window. It lays out the controls, carries out the
// window operations for the logic and hands every event to MainFormLogic;
// what the events do lives there.

#include <functional>
#include <memory>
#include <string>

#include <QMainWindow>

#include "app/main_form_logic.h"
#include "protocol/window_ops.h"

class OnvifCameraMenu;
class QAction;
class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class StringGridWidget;

class TMainForm : public QMainWindow, public WindowOps {
public:
    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    MainFormLogic& Logic() { return *logic_; }
    OnvifCameraMenu& OnvifMenu() { return *onvifMenu_; }

    // Seams for tests: when set, these receive what would otherwise open a
    // modal window or the desktop's browser, so nothing blocks.
    using MessageHandler = std::function<void(const std::string& text, const std::string& title, MessageIcon icon)>;
    void SetMessageHandler(MessageHandler handler) { messageHandler_ = std::move(handler); }
    void SetDeviceInfoHandler(std::function<void(const tComUnitInfo&)> handler) {
        deviceInfoHandler_ = std::move(handler);
    }
    void SetUpnpDeviceInfoHandler(std::function<void(const DeviceInformationContainer&)> handler) {
        upnpDeviceInfoHandler_ = std::move(handler);
    }
    void SetNetworkSetupHandler(std::function<void(const tComUnitInfo&)> handler) {
        networkSetupHandler_ = std::move(handler);
    }
    void SetBatchSetupHandler(std::function<void(const std::vector<tComUnitInfo>&)> handler) {
        batchSetupHandler_ = std::move(handler);
    }
    void SetQuestionHandler(std::function<bool(const std::string& text)> handler) {
        questionHandler_ = std::move(handler);
    }
    void SetOpenUrlHandler(std::function<bool(const std::string&)> handler) { openUrlHandler_ = std::move(handler); }
    void SetSearchReportHandler(std::function<void(const SearchReport&)> handler) {
        searchReportHandler_ = std::move(handler);
    }

    // Opens the "Search Report" dialog on the last search's report.
    void ShowSearchReport();

    // WindowOps; every call but Post comes from the window thread.
    std::string ProjText() override;
    SearchMethod SelectedSearchMethod() override;
    std::string RelayAddressText() override;
    int RelayAddressSelectedIndex() override;
    std::vector<std::string> RelayAddressItems() override;
    void SetRelayAddressItems(const std::vector<std::string>& items) override;
    std::string RelayTransportText() override;
    std::string AddressRangeText() override;
    std::vector<std::string> AddressRangeItems() override;
    void SetAddressRangeItems(const std::vector<std::string>& items) override;
    void SetButton1Enabled(bool enabled) override;
    void SetButton1Caption(const std::string& caption) override;
    void SetLabel1Caption(const std::string& caption) override;
    void SetWindowCaption(const std::string& caption) override;
    void SetRelayControlsEnabled(bool enabled) override;
    void SetNetworkSetupEnabled(bool enabled) override;
    void SetPopupAttached(bool attached) override;
    void SetStatusText(const std::string& text) override;
    void SetRangeProgress(long long sent, long long total) override;
    void SetStopEnabled(bool enabled) override;
    std::string Cell(int col, int row) override;
    void SetCell(int col, int row, const std::string& text) override;
    int RowCount() override;
    void SetRowCount(int rows) override;
    void SetHeaderRowFixed(bool fixed) override;
    void SetCellMark(int col, int row, const std::string& toolTip) override;
    void SetRowToolTip(int row, const std::string& toolTip) override;
    void SetCurrentRow(int row) override;
    void Log(const std::string& line) override;
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override;
    void ShowDeviceInfo(const tComUnitInfo& record) override;
    void ShowUpnpDeviceInfo(const DeviceInformationContainer& device) override;
    void ShowOnvifDeviceInfo(const OnvifDeviceInfo& device) override;
    void ShowNetworkSetup(const tComUnitInfo& record) override;
    std::vector<int> SelectedRows() override;
    void ShowBatchSetup(const std::vector<tComUnitInfo>& rows) override;
    bool AskYesNo(const std::string& text, const std::string& title) override;
    bool IsModalOpen() override;
    bool OpenUrl(const std::string& url) override;
    bool IsWindowThread() override;
    void Post(std::function<void()> task) override;
    void ProcessMessages() override;

    // The controls, by their layout names; the window owns them.
    QFrame* Panel1 = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* RadioButton1 = nullptr;
    QRadioButton* RadioButton2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QComboBox* ComboBox2 = nullptr;
    // Address Range: its own group box right of the search button.
    QGroupBox* RangeGroupBox = nullptr;
    QRadioButton* RangeRadioButton = nullptr;
    QComboBox* RangeBox = nullptr;
    // Joins the three search methods' radio buttons across their group boxes.
    QButtonGroup* SearchMethodGroup = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QComboBox* Proj = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* Button1 = nullptr;
    StringGridWidget* StringGrid1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QLabel* StatusText = nullptr;           // in the status bar
    QPushButton* ReportButton = nullptr;    // in the status bar: "Search Report"
    QProgressBar* RangeProgress = nullptr;  // in the status bar while a range search sends
    QPushButton* StopButton = nullptr;      // in the status bar while a range search runs
    QMenu* PopupMenu1 = nullptr;
    QAction* Info1 = nullptr;
    QAction* Browser1 = nullptr;
    QAction* NetworkSetup1 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void ConnectEvents();
    void ApplyColumnWidths();
    // The design width, or the least wider one at which an address fits
    // whole, at most the screen's width.
    int DefaultWidth() const;
    void ShowPopupAt(const QPoint& viewportPos);

    std::unique_ptr<MainFormLogic> logic_;
    std::unique_ptr<OnvifCameraMenu> onvifMenu_;
    bool popupAttached_ = true;
    MessageHandler messageHandler_;
    std::function<void(const tComUnitInfo&)> deviceInfoHandler_;
    std::function<void(const DeviceInformationContainer&)> upnpDeviceInfoHandler_;
    std::function<void(const tComUnitInfo&)> networkSetupHandler_;
    std::function<void(const std::vector<tComUnitInfo>&)> batchSetupHandler_;
    std::function<bool(const std::string&)> openUrlHandler_;
    std::function<void(const SearchReport&)> searchReportHandler_;
    std::function<bool(const std::string&)> questionHandler_;
};

// The design widths of the result table's columns, in column order.
extern const std::vector<int> kDesignColumnWidths;
