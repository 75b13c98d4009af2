// SPDX-License-Identifier: GPL-3.0-or-later
// The search button: one press runs one whole search. The socket work runs
// on a worker; everything that touches the table or the device list runs on
// the window thread, in the order the answers arrived.

#include <memory>

#include "app/main_form_logic.h"
#include "app/package_search.h"
#include "app/search_parts.h"
#include "app/worker_form.h"
#include "protocol/locale_text.h"
#include "protocol/plain_package.h"
#include "protocol/reply_parser.h"
#include "protocol/text_format.h"
#include "upnp/upnp_result_thread.h"
#include "web/html_table_parser.h"
#include "web/http_command.h"
#include "web/http_fetch.h"

bool HasUpnpPart(const std::string& projText) {
    return SameTextIgnoreCase(projText, "ALL") || SameTextIgnoreCase(projText, "UPNP");
}

void MainFormLogic::Button1Click() {
    EndWatch();
    if (searching_) {
        // A watch search keeps the button free; the user's search follows it.
        if (!userSearch_ && !userSearchPending_) {
            userSearchPending_ = true;
            form_.SetButton1Enabled(false);
            form_.SetButton1Caption("Searching...");
        }
        return;
    }
    const SearchSettings settings = UserSearchSettings();
    if (AcceptRanges(settings)) StartSearch(settings, true);
}

void MainFormLogic::StartSearch(const SearchSettings& settings, bool userStarted) {
    const bool range = settings.method == SearchMethod::AddressRange;
    // The UPnP part describes what the range search's M-SEARCHes find.
    auto feed = range && HasUpnpPart(settings.proj) ? std::make_shared<RangeAnswerFeed>() : nullptr;
    upnpSearchStarted_ = HasUpnpPart(settings.proj) && Engine.StartSearch(&form_, feed);
    if (!upnpSearchStarted_) feed.reset();
    onvifSearchStarted_ = HasOnvifPart(settings.proj) && OnvifEngine.StartSearch();

    ComUnitList.clear();
    listedDevices_.Reset();
    tableRanges_ = range ? ParseAddressRanges(settings.ranges) : ParsedRanges{};
    rangeOnvif_.reset();
    NextRow = 1;
    for (int row = 1; row < form_.RowCount(); ++row) ClearGridRow(form_, row);
    form_.SetRowCount(1);
    form_.SetHeaderRowFixed(false);

    if (userStarted) {
        form_.SetButton1Enabled(false);
        form_.SetButton1Caption("Searching...");
        lastUserSearch_ = settings;
    }
    searching_ = true;
    searchStartedAt_ = std::chrono::steady_clock::now();
    userSearch_ = userStarted;
    currentSearch_ = settings;
    BeginReport(settings);

    JoinThreads();
    cancel_ = false;

    auto worker = std::make_shared<WorkerForm>(form_, settings);
    const PackageSearchKind kind = ChoosePackageSearch(worker->SelectedSearchMethod(), worker->RelayTransportText());
    const int flag = worker->SelectedSearchMethod() == SearchMethod::LocalBroadcast ? kFlagLocalQuery : kFlagRelayQuery;
    std::weak_ptr<int> alive = alive_;

    // Answers are parsed on the window thread as they come in.
    DecodedSink sink = [this, alive](std::vector<DecodedAnswer> answers) {
        form_.Post([this, alive, answers = std::move(answers)] {
            if (alive.expired()) return;
            for (const DecodedAnswer& answer : answers) {
                CountAnswer(answer);
                ParserPlainPkg(answer.packages.data(), static_cast<int>(answer.packages.size()));
            }
        });
    };
    if (range) {
        StartRangeWorker(worker, settings, std::move(feed), std::move(sink));
        return;
    }

    packageWorker_ = std::thread([this, worker, kind, flag, alive, sink] {
        PackageSearchFacts facts;
        switch (kind) {
            case PackageSearchKind::Udp:
                RunUdpSearch(*worker, flag, timings_, cancel_, sink, &facts);
                break;
            case PackageSearchKind::TcpRelay:
                RunTcpRelaySearch(*worker, worker->RelayAddressText(), timings_, cancel_, sink, &facts);
                break;
            case PackageSearchKind::HttpCommand: {
                std::vector<std::string> lines;
                facts.httpFetchFailed =
                    !FetchHtml(*worker, worker->RelayAddressText(), HttpCommandPath(worker->ProjText()), lines, cancel_,
                               timings_.httpTimeout);
                form_.Post([this, alive, lines = std::move(lines), fetched = !facts.httpFetchFailed]() mutable {
                    if (alive.expired()) return;
                    // The page is the relay's one answer; its rows are no packages.
                    if (fetched) {
                        ++report_.datagrams;
                        for (const std::string& line : lines) report_.bytes += static_cast<long long>(line.size());
                    }
                    CleanHtml(lines);
                    const std::size_t before = ComUnitList.size();
                    report_.replies.notListed += PhaseItem(form_, ComUnitList, lines);
                    report_.pageRows += static_cast<int>(ComUnitList.size() - before);
                });
                break;
            }
        }
        form_.Post([this, alive, facts = std::move(facts)] {
            if (!alive.expired()) FinishSearch(facts);
        });
    });
}

void MainFormLogic::FinishSearch(const PackageSearchFacts& facts) {
    if (packageWorker_.joinable()) packageWorker_.join();
    answersInAt_ = std::chrono::steady_clock::now();
    EndPackagePart(facts);

    const std::string proj = SearchFilter();
    if (HasUpnpPart(proj) || HasOnvifPart(proj)) {
        StartUpnpResultThread();
        return;
    }

    // Without a collector nobody would close a pending event, and the window
    // could never be closed again.
    Engine.m_hSearchEvent.reset();
    OnvifEngine.m_hSearchEvent.reset();

    if (form_.RowCount() <= 1) {
        form_.SetRowCount(2);
        form_.SetHeaderRowFixed(true);
        form_.SetLabel1Caption("0 device(s) found!");
    } else {
        SortAscending = false;
        SortStringGrid(kColModel);
        form_.SetLabel1Caption(StrFormat("%d device(s) found!", form_.RowCount() - 1));
        SelectRow(1);
    }
    form_.SetButton1Enabled(true);
    form_.SetButton1Caption("Lanvaro");
    CompleteReport();
    searching_ = false;
    SearchEnded();
}

std::string MainFormLogic::SearchFilter() {
    // A watch search keeps to its own filter, whatever the control shows now.
    return userSearch_ ? form_.ProjText() : currentSearch_.proj;
}

void MainFormLogic::StartUpnpResultThread() {
    std::weak_ptr<int> alive = alive_;
    const bool upnpStarted = upnpSearchStarted_;
    const bool onvifStarted = onvifSearchStarted_;
    auto collect = [this, alive, upnpStarted, onvifStarted] {
        if (alive.expired()) return;
        if (onvifStarted && rangeOnvif_) {
            OnvifEngine.AddDevices(std::move(rangeOnvif_->devices), rangeOnvif_->counts, std::move(rangeOnvif_->log));
            rangeOnvif_.reset();
        }
        CollectSearchParts(form_, SearchFilter(), ComUnitList, Engine, upnpStarted, OnvifEngine, onvifStarted);
        if (upnpStarted) RecordUpnpPart();
        if (onvifStarted) RecordOnvifPart();
        CompleteReport();
        searching_ = false;
        SearchEnded();
    };
    // Only the searches of this run are waited for.
    std::vector<std::shared_ptr<ManualResetEvent>> events;
    if (upnpStarted) events.push_back(Engine.m_hSearchEvent);
    if (onvifStarted) events.push_back(OnvifEngine.m_hSearchEvent);
    const std::string caption = HasUpnpPart(SearchFilter()) ? "Search Upnp..." : "Search Onvif...";
    upnpResultThread_ = std::thread(PartsResultThread, std::ref(form_), caption, std::move(events), std::move(collect));
}

void MainFormLogic::JoinThreads() {
    if (packageWorker_.joinable()) packageWorker_.join();
    if (upnpResultThread_.joinable()) upnpResultThread_.join();
}
