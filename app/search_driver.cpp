// The search button: one press runs one whole search. The socket work runs
// on a worker; everything that touches the table or the device list runs on
// the window thread, in the order the answers arrived.

#include <memory>

#include "app/main_form_logic.h"
#include "app/package_search.h"
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
    if (searching_) return;

    upnpSearchStarted_ = HasUpnpPart(form_.ProjText()) && Engine.StartSearch(&form_);

    ComUnitList.clear();
    NextRow = 1;
    for (int row = 1; row < form_.RowCount(); ++row) ClearGridRow(form_, row);
    form_.SetRowCount(1);
    form_.SetHeaderRowFixed(false);

    form_.SetButton1Enabled(false);
    form_.SetButton1Caption("Searching...");
    searching_ = true;
    BeginReport();

    JoinThreads();
    cancel_ = false;

    auto worker = std::make_shared<WorkerForm>(form_);
    const PackageSearchKind kind = ChoosePackageSearch(worker->SelectedSearchMethod(), worker->RelayTransportText());
    const int flag = worker->SelectedSearchMethod() == SearchMethod::LocalBroadcast ? kFlagLocalQuery : kFlagRelayQuery;
    std::weak_ptr<int> alive = alive_;

    // Answers are parsed on the window thread as they come in.
    DecodedSink sink = [this, alive](DecodedAnswer answer) {
        form_.Post([this, alive, answer = std::move(answer)] {
            if (alive.expired()) return;
            CountAnswer(answer);
            ParserPlainPkg(answer.packages.data(), static_cast<int>(answer.packages.size()));
        });
    };

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
                    PhaseItem(form_, ComUnitList, lines);
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
    EndPackagePart(facts);

    if (HasUpnpPart(form_.ProjText())) {
        StartUpnpResultThread();
        return;
    }

    // Without a collector nobody would close a pending event, and the window
    // could never be closed again.
    Engine.m_hSearchEvent.reset();

    if (form_.RowCount() <= 1) {
        form_.SetRowCount(2);
        form_.SetHeaderRowFixed(true);
        form_.SetLabel1Caption("0 device(s) found!");
    } else {
        SortAscending = false;
        SortStringGrid(kColModel);
        form_.SetLabel1Caption(StrFormat("%d device(s) found!", form_.RowCount() - 1));
        SelectedRow = 1;
    }
    form_.SetButton1Enabled(true);
    form_.SetButton1Caption("Lanvaro");
    CompleteReport();
    searching_ = false;
}

void MainFormLogic::StartUpnpResultThread() {
    std::weak_ptr<int> alive = alive_;
    const bool started = upnpSearchStarted_;
    auto collect = [this, alive, started] {
        if (alive.expired()) return;
        CollectUpnpResults(form_, ComUnitList, Engine, started);
        if (started) RecordUpnpPart();
        CompleteReport();
        searching_ = false;
    };
    // Without an engine search of this run there is nothing to wait for.
    std::shared_ptr<ManualResetEvent> event = started ? Engine.m_hSearchEvent : nullptr;
    upnpResultThread_ = std::thread(UpnpResultThread, std::ref(form_), std::move(event), std::move(collect));
}

void MainFormLogic::JoinThreads() {
    if (packageWorker_.joinable()) packageWorker_.join();
    if (upnpResultThread_.joinable()) upnpResultThread_.join();
}
