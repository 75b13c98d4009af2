// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The root-device answers a range search hears, handed from its worker to
// the UPnP engine's thread, whose control point reads their descriptions.
// The engine keeps listening until the feed is closed: a range search can
// run far longer than the local one.

#include <mutex>
#include <utility>
#include <vector>

#include "upnp/ssdp_message.h"

class RangeAnswerFeed {
public:
    // The worker's side.
    void Add(SsdpSearchAnswer answer) {
        std::lock_guard lock(mutex_);
        if (!closed_) waiting_.push_back(std::move(answer));
    }
    // No answer follows; safe to call more than once.
    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }

    // The engine's side: what came since the last call.
    std::vector<SsdpSearchAnswer> TakeNew() {
        std::lock_guard lock(mutex_);
        return std::exchange(waiting_, {});
    }
    bool Closed() const {
        std::lock_guard lock(mutex_);
        return closed_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<SsdpSearchAnswer> waiting_;
    bool closed_ = false;
};
