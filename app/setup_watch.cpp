// SPDX-License-Identifier: GPL-3.0-or-later
// After a control package went out, the window looks for the device again
// in the background: the same search the user ran, repeated until the device
// answers with its new settings or the watch gives up.

#include <cmath>

#include "app/main_form_logic.h"
#include "protocol/text_format.h"

NetSetupContext MainFormLogic::SetupContext() {
    NetSetupContext context;
    context.knownDevices = ComUnitList;
    context.probe = ProbeAddressText;
    std::weak_ptr<int> alive = alive_;
    context.onSent = [this, alive](const ControlRequest& request) {
        if (!alive.expired()) StartSetupWatch(request);
    };
    return context;
}

void MainFormLogic::StartSetupWatch(const ControlRequest& request) {
    // A newer package for the same device replaces what was awaited of it.
    std::erase_if(watched_, [&request](const WatchedDevice& w) { return w.target.mac == request.mac; });
    watched_.push_back({SetupTargetFor(request), std::chrono::steady_clock::now()});
    watchSettings_ = lastUserSearch_;
    if (!watchedCameras_.empty() && !HasOnvifPart(watchSettings_.proj)) watchSettings_.proj = "ALL";
    // A range search looks at the new address too, wherever it lies.
    for (const WatchedDevice& w : watched_)
        if (watchSettings_.method == SearchMethod::AddressRange && TakesTheSentAddress(w.target.type))
            watchSettings_.ranges = RangesWithAddress(watchSettings_.ranges, w.target.ip);
    EnsureWatchTicker();
}

void MainFormLogic::EnsureWatchTicker() {
    if (watchTicker_) return;
    std::weak_ptr<int> alive = alive_;
    watchTicker_ = std::make_unique<PeriodicTicker>(watchTimings_.interval, [this, alive] {
        form_.Post([this, alive] {
            if (!alive.expired()) WatchTick();
        });
    });
}

void MainFormLogic::WatchTick() {
    if (!Watching() && batches_.empty()) return;
    // Never in the way of the user: a running search or an open dialog skips this turn.
    if (searching_ || form_.IsModalOpen()) {
        if (!searching_) {
            CheckWatchedDevices(false);
            CheckBatches(false);
        }
        return;
    }
    StartSearch(watchSettings_, false);
}

void MainFormLogic::SearchEnded() {
    CheckBatches(true);
    if (!userSearch_) {
        CheckWatchedDevices(true);
        if (userSearchPending_) {
            userSearchPending_ = false;
            const SearchSettings settings = UserSearchSettings();
            if (AcceptRanges(settings)) {
                StartSearch(settings, true);
            } else {
                form_.SetButton1Enabled(true);
                form_.SetButton1Caption("Lanvaro");
            }
        }
    }
}

void MainFormLogic::CheckWatchedDevices(bool searchedAgain) {
    const auto now = std::chrono::steady_clock::now();
    std::erase_if(watched_, [&](const WatchedDevice& w) {
        // Only a search begun after the send can confirm anything.
        const bool after = searchedAgain && searchStartedAt_ > w.sentAt;
        const tComUnitInfo* found = after ? FindConfirmingRecord(ComUnitList, w.target) : nullptr;
        if (found != nullptr) {
            const std::string ip = ComUnitFieldText(found->ip);
            for (int row = 1; row < form_.RowCount(); ++row) {
                if (form_.Cell(kColMac, row) == w.target.mac && form_.Cell(kColIp, row) == ip) {
                    SelectRow(row);
                    break;
                }
            }
            const auto seconds = std::chrono::duration<double>(answersInAt_ - w.sentAt).count();
            form_.SetStatusText(StrFormat("%s: now at %s (after %d s)", w.target.mac.c_str(), ip.c_str(),
                                          static_cast<int>(std::lround(seconds))));
            return true;
        }
        if (now - w.sentAt >= watchTimings_.limit) {
            form_.SetStatusText(StrFormat("%s: not seen with the new settings", w.target.mac.c_str()));
            return true;
        }
        return false;
    });
    CheckWatchedCameras(searchedAgain);
    if (!Watching() && batches_.empty()) watchTicker_.reset();
}

void MainFormLogic::EndWatch() {
    watched_.clear();
    watchedCameras_.clear();
    if (batches_.empty()) watchTicker_.reset();
}
