// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a batch needs of the window that lists its devices: the rows listed
// now, and a watch over the devices it sent settings to. The main window's
// logic is the host; netsetup never reaches up to it.

#include <functional>
#include <memory>
#include <vector>

#include "netsetup/batch_watch.h"
#include "protocol/com_unit_info.h"

class BatchWatchHost {
public:
    using BatchTold = std::function<void(const std::vector<BatchWatch::Outcome>&)>;

    virtual ~BatchWatchHost() = default;
    virtual const TComUnitList& ListedDevices() const = 0;
    // `told` hears of the devices each background search (or the limit)
    // decides; with ONVIF cameras among them the searches include WS-Discovery.
    virtual int WatchBatch(std::shared_ptr<BatchWatch> watch, BatchTold told, bool withOnvif) = 0;
    virtual void StopBatchWatch(int id) = 0;
    // Expires when the host goes, for those that may outlive it.
    virtual std::weak_ptr<int> Lifetime() const = 0;
};
