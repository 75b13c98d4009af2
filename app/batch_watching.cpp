// SPDX-License-Identifier: GPL-3.0-or-later
// The window's background searches also watch the batches a Batch Network
// Setup sent: every search that ends is checked against each batch.

#include "app/main_form_logic.h"

int MainFormLogic::WatchBatch(std::shared_ptr<BatchWatch> watch, BatchTold told, bool withOnvif) {
    const int id = nextBatchId_++;
    batches_.push_back({id, std::move(watch), std::move(told)});
    // Watched with the search the user last ran, as a single setup is.
    if (!Watching()) watchSettings_ = lastUserSearch_;
    // A camera answers only WS-Discovery, whatever the user last searched for.
    if (withOnvif && !HasOnvifPart(watchSettings_.proj)) watchSettings_.proj = "ALL";
    EnsureWatchTicker();
    return id;
}

const std::vector<OnvifDeviceInfo>* MainFormLogic::OnvifDevicesOfLastSearch() const {
    if (!onvifSearchStarted_ || !OnvifEngine.DevicesReady()) return nullptr;
    return &OnvifEngine.m_Devices;
}

void MainFormLogic::StopBatchWatch(int id) {
    std::erase_if(batches_, [id](const WatchedBatch& b) { return b.id == id; });
    if (!Watching() && batches_.empty()) watchTicker_.reset();
}

void MainFormLogic::CheckBatches(bool searchedAgain) {
    if (batches_.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    // A listener may stop its own watch while told: walk a copy.
    const std::vector<WatchedBatch> batches = batches_;
    for (const WatchedBatch& b : batches) {
        const std::vector<BatchWatch::Outcome> outcomes =
            searchedAgain ? b.watch->Check(ComUnitList, searchStartedAt_, answersInAt_) : b.watch->Expire(now);
        if (!outcomes.empty() && b.told) b.told(outcomes);
    }
    std::erase_if(batches_, [](const WatchedBatch& b) { return b.watch->Done(); });
    if (!Watching() && batches_.empty()) watchTicker_.reset();
}
