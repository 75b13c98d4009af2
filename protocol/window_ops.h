// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operations the logic needs of the main window. The Qt window, the
// console form of lanvaro-cli and the in-memory fake of the tests implement
// it; no logic file knows which one it talks to.

#include <array>
#include <functional>
#include <string>
#include <vector>

struct tComUnitInfo;
struct DeviceInformationContainer;
struct OnvifDeviceInfo;

enum class SearchMethod { LocalBroadcast, IpRelay, AddressRange };
enum class MessageIcon { None, Information, Warning, Error };

class WindowOps {
public:
    virtual ~WindowOps() = default;

    // --- Controls the logic reads -------------------------------------
    virtual std::string ProjText() = 0;               // Proj
    virtual SearchMethod SelectedSearchMethod() = 0;  // RadioButton1 / RadioButton2 / RangeRadioButton
    virtual std::string RelayAddressText() = 0;       // ComboBox1
    virtual int RelayAddressSelectedIndex() = 0;      // ComboBox1; -1 when the text was typed
    virtual std::vector<std::string> RelayAddressItems() = 0;
    virtual void SetRelayAddressItems(const std::vector<std::string>& items) = 0;
    virtual std::string RelayTransportText() = 0;  // ComboBox2
    // The address ranges typed for an Address Range search (RangeBox), and
    // the ones kept from before, oldest first.
    virtual std::string AddressRangeText() { return {}; }
    virtual std::vector<std::string> AddressRangeItems() { return {}; }
    virtual void SetAddressRangeItems(const std::vector<std::string>& items) { (void)items; }
    // The cards a local broadcast leaves through; none named means every card
    // that can broadcast. A window has no such choice; a site's relay has.
    virtual std::vector<std::string> BroadcastCardNames() { return {}; }

    // --- Controls the logic writes ------------------------------------
    virtual void SetButton1Enabled(bool enabled) = 0;
    virtual void SetButton1Caption(const std::string& caption) = 0;
    virtual void SetLabel1Caption(const std::string& caption) = 0;
    virtual void SetWindowCaption(const std::string& caption) = 0;
    virtual void SetRelayControlsEnabled(bool enabled) = 0;  // ComboBox1 and ComboBox2
    virtual void SetNetworkSetupEnabled(bool enabled) = 0;   // menu item NetworkSetup1
    virtual void SetPopupAttached(bool attached) = 0;        // PopupMenu1 on StringGrid1
    // The status bar's one line of text (what runs, what a search found).
    virtual void SetStatusText(const std::string& text) = 0;
    // How much of a range search's sending is done; a total of 0 hides it.
    virtual void SetRangeProgress(long long sent, long long total) {
        (void)sent;
        (void)total;
    }
    // Whether the search may be stopped now (a range search that runs).
    virtual void SetStopEnabled(bool enabled) { (void)enabled; }

    // --- StringGrid1: row 0 is the header row, data rows are 1 and on --
    virtual std::string Cell(int col, int row) = 0;
    virtual void SetCell(int col, int row, const std::string& text) = 0;
    virtual int RowCount() = 0;
    virtual void SetRowCount(int rows) = 0;
    virtual void SetHeaderRowFixed(bool fixed) = 0;
    // Marks a data cell as needing attention, with a tool tip saying why; an
    // empty text takes the mark away. A mark stays with its cell, not with the
    // text: whoever moves texts between rows marks them again.
    virtual void SetCellMark(int col, int row, const std::string& toolTip) = 0;
    // A tool tip for the cells of a data row that carry no mark of their
    // own (how its device was found); an empty text takes it away.
    virtual void SetRowToolTip(int row, const std::string& toolTip) {
        (void)row;
        (void)toolTip;
    }
    // Shows a data row as the table's current (highlighted) row.
    virtual void SetCurrentRow(int row) = 0;
    // The selected data rows, in table order; a window without multiple
    // selection has none beyond the current row.
    virtual std::vector<int> SelectedRows() { return {}; }

    // --- Memo1, the hidden diagnostic log -----------------------------
    // One line; a single trailing "\n" of printf-style lines is dropped.
    virtual void Log(const std::string& line) = 0;

    // --- Modal windows: each returns when the user has closed it -------
    virtual void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) = 0;
    virtual void ShowDeviceInfo(const tComUnitInfo& record) = 0;                    // TFormInfo
    virtual void ShowUpnpDeviceInfo(const DeviceInformationContainer& device) = 0;  // TForm1
    virtual void ShowOnvifDeviceInfo(const OnvifDeviceInfo& device) = 0;
    virtual void ShowNetworkSetup(const tComUnitInfo& record) = 0;  // TNetForm
    // Batch Network Setup for the records of several selected rows, in table
    // order. Not modal: it returns at once, and the window goes on.
    virtual void ShowBatchSetup(const std::vector<tComUnitInfo>& rows) { (void)rows; }
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
    // True while any modal window (a dialog, a message box) is open.
    virtual bool IsModalOpen() = 0;
    // Opens a page in the desktop's browser; false when it could not be handed over.
    virtual bool OpenUrl(const std::string& url) = 0;

    // --- Threads -------------------------------------------------------
    virtual bool IsWindowThread() = 0;
    // Queues a task for the window thread; tasks run in the order posted.
    virtual void Post(std::function<void()> task) = 0;
    // Lets the window handle pending messages (queued tasks included).
    virtual void ProcessMessages() = 0;

    // Runs a task on the window thread and waits for it. Must not be called
    // by a thread the window thread is waiting for.
    void Invoke(const std::function<void()>& task);
};

constexpr int kGridColumnCount = 7;
constexpr int kColModel = 0;
constexpr int kColProj = 1;
constexpr int kColName = 2;
constexpr int kColIp = 3;
constexpr int kColPort = 4;
constexpr int kColNetmask = 5;
constexpr int kColMac = 6;

extern const char* const kGridHeaderTexts[kGridColumnCount];

// The device families the project filter offers between "ALL" and "UPNP";
// the filter compares a device's project with them exactly.
constexpr std::array<const char*, 7> kProjectFamilies{"IPCam",   "SpeedDome", "NVR",  "DVR",
                                                      "Encoder", "Decoder",   "IOBox"};

// A row's text: every cell from column 0 on, each followed by "\r\n".
std::string GridRowText(WindowOps& form, int row);
void ClearGridRow(WindowOps& form, int row);
// A device's text as a cell shows it: every line break (CR LF, CR or LF)
// becomes one space, so no cell holds what separates the cells of a row text.
std::string GridCellText(const std::string& text);
// Writes a record's model, proj, name, ip, trigger_port, netmask and mac
// into columns 0 to 6 of a row, each as GridCellText gives it.
void WriteRecordRow(WindowOps& form, int row, const tComUnitInfo& record);
// Whether a row whose IP and Mac cells hold these texts shows this record:
// the row keys compare as WriteRecordRow wrote them.
bool RowShowsRecord(const std::string& ipCell, const std::string& macCell, const tComUnitInfo& record);
