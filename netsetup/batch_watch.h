// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Watching many devices at once after they were sent new settings: each
// search that ends is checked for every device still awaited, and a device
// not seen by the deadline is given up.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "protocol/com_unit_info.h"

class BatchWatch {
public:
    using Clock = std::chrono::steady_clock;
    // Where a search's list shows the device with its new settings, if it does.
    using Confirm = std::function<std::optional<std::string>(const TComUnitList&)>;

    struct Outcome {
        int id = 0;
        bool confirmed = false;
        std::string ip;
        double seconds = 0;  // from the send to the end of the confirming search
    };

    explicit BatchWatch(Clock::duration limit) : limit_(limit) {}

    // Awaits device `id` from `sentAt` on.
    void Add(int id, Confirm confirm, Clock::time_point sentAt);
    // After a search that began at `searchStartedAt` and ended at `endedAt`:
    // the devices it confirms (only a search begun after a device's send can)
    // and those whose limit has passed, each once.
    std::vector<Outcome> Check(const TComUnitList& found, Clock::time_point searchStartedAt, Clock::time_point endedAt);
    // Gives up every device whose limit has passed by `now`.
    std::vector<Outcome> Expire(Clock::time_point now);
    bool Done() const { return awaited_.empty(); }
    // The time by which every awaited device is decided.
    Clock::time_point Deadline() const;

private:
    struct Awaited {
        int id;
        Confirm confirm;
        Clock::time_point sentAt;
    };
    Clock::duration limit_;
    std::vector<Awaited> awaited_;
};

// How long the window watches a batch: a minute, and two seconds more per device.
std::chrono::seconds BatchWatchLimit(std::size_t devices);
