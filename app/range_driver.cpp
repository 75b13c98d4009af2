// SPDX-License-Identifier: GPL-3.0-or-later
// An Address Range search: the ranges checked and kept as the user typed
// them, the sending on the search worker, and what it found made part of
// the search on the window thread.

#include <algorithm>

#include "app/main_form_logic.h"
#include "app/relay_history.h"
#include "protocol/text_format.h"

SearchSettings MainFormLogic::UserSearchSettings() {
    SearchSettings settings = ReadSearchSettings(form_);
    settings.rangeRate = rangeRate_;
    return settings;
}

bool MainFormLogic::AcceptRanges(const SearchSettings& settings) {
    if (settings.method != SearchMethod::AddressRange) return true;
    const ParsedRanges parsed = ParseAddressRanges(settings.ranges);
    if (!parsed.error.empty()) {
        form_.ShowMessage(parsed.error, "Warning", MessageIcon::Warning);
        return false;
    }
    form_.SetAddressRangeItems(TypedHistoryAfter(form_.AddressRangeItems(), settings.ranges));
    return true;
}

void MainFormLogic::StopSearch() {
    if (rangeRunning_) cancel_ = true;
}

void MainFormLogic::StartRangeWorker(std::shared_ptr<WorkerForm> worker, const SearchSettings& settings,
                                     std::shared_ptr<RangeAnswerFeed> feed, DecodedSink sink) {
    RangeSearchPlan plan;
    // Rows are made only of the parts that run.
    plan.probes = onvifSearchStarted_;
    plan.mSearch = feed != nullptr;
    plan.rate = std::clamp(settings.rangeRate > 0 ? settings.rangeRate : kDefaultRangeRate, 1, kMaxRangeRate);
    rangeRunning_ = true;
    form_.SetStopEnabled(true);
    std::weak_ptr<int> alive = alive_;
    packageWorker_ = std::thread([this, worker, plan, blocks = tableRanges_.blocks, feed, sink, alive]() mutable {
        // The UPnP part listens until told the answers are over, whatever happens here.
        struct CloseFeed {
            std::shared_ptr<RangeAnswerFeed> feed;
            ~CloseFeed() {
                if (feed) feed->Close();
            }
        } closing{feed};
        plan.targets = RangeTargets(blocks, LocalInterfaceAddresses());
        const int neighbourLimit = NeighbourTableLimit();
        plan.onLinkPerSecond = OnLinkAddressesPerSecond(neighbourLimit);
        RangeSinks sinks;
        sinks.packages = std::move(sink);
        if (feed) sinks.rootDevice = [feed](SsdpSearchAnswer answer) { feed->Add(std::move(answer)); };
        sinks.progress = [this, alive](long long sent, long long total) {
            form_.Post([this, alive, sent, total] {
                if (!alive.expired() && rangeRunning_) form_.SetRangeProgress(sent, total);
            });
        };
        PackageSearchFacts facts;
        RangeFindings findings = RunRangeSearch(*worker, plan, timings_, cancel_, sinks, &facts);
        if (feed) feed->Close();
        form_.Post([this, alive, findings = std::move(findings), facts = std::move(facts), neighbourLimit,
                    perSecond = plan.onLinkPerSecond]() mutable {
            if (alive.expired()) return;
            EndRangePart(findings, neighbourLimit, perSecond);
            FinishSearch(facts);
        });
    });
}

void MainFormLogic::EndRangePart(RangeFindings& findings, int neighbourLimit, int onLinkPerSecond) {
    rangeRunning_ = false;
    form_.SetRangeProgress(0, 0);
    form_.SetStopEnabled(false);
    if (!report_.range) report_.range.emplace();
    RangeReport& range = *report_.range;
    range.addresses = findings.addresses;
    range.datagrams = findings.datagrams;
    range.failedSends = findings.failedSends;
    range.rounds = findings.rounds;
    range.slowdowns = findings.slowdowns;
    range.onLinkAddresses = findings.onLinkAddresses;
    if (findings.onLinkAddresses > 0) {
        range.onLinkPerSecond = onLinkPerSecond;
        range.neighbourLimit = neighbourLimit;
    }
    range.stopped = findings.stopped;
    range.upWithoutService = std::move(findings.upWithoutService);
    range.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - searchStartedAt_).count();
    form_.Log(
        StrFormat("Address Range: %lld addresses, %lld datagrams in %d rounds (%.2f s), %lld failed, %d "
                  "slowdowns, %d M-SEARCH answers%s\n",
                  range.addresses, range.datagrams, range.rounds, findings.sendingSeconds, range.failedSends,
                  range.slowdowns, findings.rootDeviceAnswers, range.stopped ? ", stopped" : ""));
    rangeOnvif_ = RangeOnvif{std::move(findings.onvifDevices), findings.onvifCounts, std::move(findings.onvifLog)};
}

std::string MainFormLogic::FoundByRangeToolTip(int row) {
    if (tableRanges_.blocks.empty()) return {};
    const std::string ip = form_.Cell(kColIp, row);
    const std::optional<std::uint32_t> address = ParseAddress(ip);
    if (!address || !InAddressBlocks(tableRanges_.blocks, htonl(*address))) return {};
    std::string tip = "Found by searching the address range " + Joined(tableRanges_.items) + " at " + ip + ".";
    // A device of the protocol is sent its settings where it answered.
    if (form_.Cell(kColMac, row).find("NULL") == std::string::npos)
        tip += " Network Setup sends its settings to " + ip + " directly.";
    return tip;
}
