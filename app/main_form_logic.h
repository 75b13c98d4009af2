// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the main window does, without the window: the state it owns for
// the other subsystems and its handlers. TMainForm (Qt), the console form of
// lanvaro-cli and the tests drive this class through WindowOps.

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "app/package_search.h"
#include "app/periodic_ticker.h"
#include "app/range_search.h"
#include "app/worker_form.h"
#include "camera/camera_host.h"
#include "netsetup/batch_watch.h"
#include "netsetup/batch_watch_host.h"
#include "netsetup/net_form_logic.h"
#include "netsetup/setup_confirmation.h"
#include "onvif/onvif_engine.h"
#include "protocol/address_range.h"
#include "protocol/broadcast_interfaces.h"
#include "protocol/com_unit_info.h"
#include "protocol/device_index.h"
#include "protocol/window_ops.h"
#include "report/search_report.h"
#include "upnp/port_forward_engine.h"

// How often and how long the window searches for a device after sending it
// new settings.
struct WatchTimings {
    std::chrono::milliseconds interval{5000};
    std::chrono::milliseconds limit{60000};
};

// What MarkIpCells found, each in table order: the IPs outside this
// computer's networks (each once) and the addresses several devices share.
struct IpCellMarks {
    std::vector<std::string> outside;
    std::vector<AddressConflict> conflicts;
};

class MainFormLogic : public CameraHost, public BatchWatchHost {
public:
    explicit MainFormLogic(WindowOps& form);
    MainFormLogic(const MainFormLogic&) = delete;
    MainFormLogic& operator=(const MainFormLogic&) = delete;
    // Cancels a running package search and waits for every thread it started.
    ~MainFormLogic() override;

    // --- State shared with the other subsystems (window thread only) ---
    TComUnitList ComUnitList;
    int NextRow = 1;
    int SelectedRow = 1;
    bool SortAscending = true;
    std::vector<float> ColumnProportions;
    CPortForwardEngine Engine;
    COnvifEngine OnvifEngine;

    // --- Window life ------------------------------------------------------
    // Header texts, relay controls, caption with the version, proportions.
    void FormCreate(const std::vector<int>& designColumnWidths);
    // Column widths for a table of the given width; empty when no proportions
    // are recorded (the columns are then left alone).
    std::vector<int> FormResize(int tableWidth) const;
    // False (and the warning shown) while a UPnP or ONVIF search is pending,
    // or while the window waits for a device or camera to answer.
    bool FormCloseQuery();

    // --- Search -------------------------------------------------------------
    void Button1Click();
    // True from the button press until the search has fully ended.
    bool Searching() const { return searching_; }
    // Ends a running Address Range search's sending and listening early; the
    // search then ends with what came in.
    void StopSearch();
    // Datagrams per second of the Address Range searches from now on.
    void SetRangeRate(int perSecond) { rangeRate_ = perSecond; }
    int RangeRate() const { return rangeRate_; }

    // --- Result grid and search-method controls ----------------------------
    void StringGrid1SelectCell(int col, int row);
    // Makes a data row the one the row actions act on and the one the table
    // shows highlighted.
    void SelectRow(int row);
    void PopupMenu1Popup();
    // The records the given rows show, in their order; rows showing none are left out.
    std::vector<tComUnitInfo> SelectedRecords(const std::vector<int>& rows);
    void StringGrid1MouseUp(bool leftButton, int col, int row);
    bool WantsHandCursor(int col, int row) const;
    void RadioButton1Click();
    void RadioButton2Click();
    void RangeRadioButtonClick();
    void ComboBox1Exit();

    // --- Row actions -------------------------------------------------------
    void Info1Click();
    void Browser1Click();
    void NetworkSetup1Click();

    // --- After a network setup ---------------------------------------------
    // What the Network Setup dialog needs of the window: the devices now
    // listed, and a watch started for every package it sends.
    NetSetupContext SetupContext() override;
    // Searches again in the background (as the last search the user started
    // did) until the device answers with the new settings or the limit has
    // passed, and says which in the status bar. A search the user starts ends
    // the watch.
    void StartSetupWatch(const ControlRequest& request);
    // The same for an ONVIF camera, by WS-Discovery whatever the filter.
    void StartOnvifSetupWatch(const OnvifSetupTarget& target) override;
    bool Watching() const { return !watched_.empty() || !watchedCameras_.empty(); }
    // Watches the devices of a batch with the same background searches;
    // `told` hears of the devices each search (or the limit) decides. A
    // search the user starts checks them too, and does not end this watch.
    // With ONVIF cameras among them the searches include WS-Discovery.
    int WatchBatch(std::shared_ptr<BatchWatch> watch, BatchTold told, bool withOnvif = false) override;
    void StopBatchWatch(int id) override;
    bool WatchingBatch() const { return !batches_.empty(); }
    // The cameras the search that just ended found by WS-Discovery; nullptr
    // when it did not ask or is still filling the list.
    const std::vector<OnvifDeviceInfo>* OnvifDevicesOfLastSearch() const override;
    // Where the watches of this run saw ONVIF cameras answer after a change
    // Lanvaro sent them: endpoint to address.
    const std::map<std::string, std::string>& OnvifMoves() const override { return onvifMoves_; }
    void NoteOnvifMove(const std::string& endpoint, const std::string& ip) override { onvifMoves_[endpoint] = ip; }
    // Expires when this object goes, for those that may outlive it (a batch
    // dialog is destroyed with the window's widgets, after the logic).
    std::weak_ptr<int> Lifetime() const override { return alive_; }
    // CameraHost and BatchWatchHost: the shared state above, as the camera
    // actions and batches read it.
    int ActedOnRow() const override { return SelectedRow; }
    const TComUnitList& ListedDevices() const override { return ComUnitList; }
    const std::vector<OnvifDeviceInfo>* OnvifDevicesListed() const override {
        return OnvifEngine.DevicesReady() ? &OnvifEngine.m_Devices : nullptr;
    }
    // Test seam: a shorter interval and limit.
    void SetWatchTimings(const WatchTimings& timings) { watchTimings_ = timings; }

    // Parses decoded plain packages into records and rows (window thread),
    // counting them in the running search's report.
    int ParserPlainPkg(const char* buf, int len);

    // Orders the data rows by a column in the direction SortAscending gives,
    // and keeps one fixed header row.
    void SortStringGrid(int column);

    // The report of the last search that ended; HasReport() is false until one has.
    const SearchReport& LastReport() const { return lastReport_; }
    bool HasReport() const { return hasReport_; }

    // Marks the IP cell of every row at an address several devices answer
    // with, or whose device lies outside this computer's networks, and
    // clears the mark of every other row.
    IpCellMarks MarkIpCells(const std::vector<InterfaceAddress>& interfaces);

    // Test seam: shorter waits for the package searches.
    void SetSearchTimings(const SearchTimings& timings) { timings_ = timings; }

private:
    struct WatchedDevice {
        SetupTarget target;
        std::chrono::steady_clock::time_point sentAt;
    };

    void StartSearch(const SearchSettings& settings, bool userStarted);
    void SearchEnded();
    void WatchTick();
    // Says which watched devices answered with their new settings (when a
    // watch search has just ended) and which are given up.
    void CheckWatchedDevices(bool searchedAgain);
    void EndWatch();
    void EnsureWatchTicker();
    void CheckBatches(bool searchedAgain);
    void CheckWatchedCameras(bool searchedAgain);
    void FinishSearch(const PackageSearchFacts& facts);
    // The controls as the user set them, with this window's range rate.
    SearchSettings UserSearchSettings();
    // Whether the ranges of an Address Range search can be searched; says
    // why not, and keeps the text among the ranges typed before.
    bool AcceptRanges(const SearchSettings& settings);
    void StartRangeWorker(std::shared_ptr<WorkerForm> worker, const SearchSettings& settings,
                          std::shared_ptr<RangeAnswerFeed> feed, DecodedSink sink);
    void EndRangePart(RangeFindings& findings, int neighbourLimit, int onLinkPerSecond);
    // The row tool tip of a device the range search found there; empty otherwise.
    std::string FoundByRangeToolTip(int row);
    // The report's parts, all on the window thread.
    void BeginReport(const SearchSettings& settings);
    void BeginRangeReport(const SearchSettings& settings);
    void CountAnswer(const DecodedAnswer& answer);
    void EndPackagePart(const PackageSearchFacts& facts);
    void RecordUpnpPart();
    void RecordOnvifPart();
    void CompleteReport();
    // Waits for the UPnP and ONVIF parts off the window thread, then
    // collects them in one ending.
    // The project filter the running search keeps to.
    std::string SearchFilter();
    void StartUpnpResultThread();
    void JoinThreads();

    WindowOps& form_;
    SearchTimings timings_;
    bool searching_ = false;
    bool userSearch_ = false;
    // The button was pressed while a watch search ran: the user's search follows it.
    bool userSearchPending_ = false;
    SearchSettings currentSearch_;
    SearchSettings lastUserSearch_;
    std::chrono::steady_clock::time_point searchStartedAt_;
    std::chrono::steady_clock::time_point answersInAt_;
    WatchTimings watchTimings_;
    std::vector<WatchedDevice> watched_;
    struct WatchedCamera {
        OnvifSetupTarget target;
        std::chrono::steady_clock::time_point sentAt;
    };
    std::vector<WatchedCamera> watchedCameras_;
    std::map<std::string, std::string> onvifMoves_;
    SearchSettings watchSettings_;
    std::unique_ptr<PeriodicTicker> watchTicker_;
    struct WatchedBatch {
        int id;
        std::shared_ptr<BatchWatch> watch;
        BatchTold told;
    };
    std::vector<WatchedBatch> batches_;
    int nextBatchId_ = 1;
    bool upnpSearchStarted_ = false;
    bool onvifSearchStarted_ = false;
    int rangeRate_ = kDefaultRangeRate;
    // The ranges of the search that filled the table; empty after any other.
    ParsedRanges tableRanges_;
    bool rangeRunning_ = false;
    // What the range search heard by WS-Discovery, joined with the ONVIF
    // part's devices when the search is collected.
    struct RangeOnvif {
        std::vector<OnvifDeviceInfo> devices;
        WsdCounts counts;
        std::vector<std::string> log;
    };
    std::optional<RangeOnvif> rangeOnvif_;
    std::atomic<bool> cancel_{false};
    std::thread packageWorker_;
    std::thread upnpResultThread_;
    // Of ComUnitList, for the whole search: one datagram's packages are
    // looked up in it instead of indexing the list again.
    DeviceIndex listedDevices_;
    SearchReport report_;
    SearchReport lastReport_;
    bool hasReport_ = false;
    PackageSearchFacts facts_;
    // Tasks posted to the window thread hold a weak reference; they do
    // nothing once this object is gone.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

inline constexpr const char* kWaitingForAnAnswerText = "Waiting for a device to answer! Please wait";

// True when the project filter asks for the UPnP part ("ALL" or "UPNP",
// compared ignoring case in the user's locale).
bool HasUpnpPart(const std::string& projText);
// True when it asks for the ONVIF part ("ALL" or "ONVIF", compared alike).
bool HasOnvifPart(const std::string& projText);
