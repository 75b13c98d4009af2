// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Calls a function every interval on a thread of its own until destroyed.
// The function runs on that thread: it should only post work elsewhere.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

class PeriodicTicker {
public:
    PeriodicTicker(std::chrono::milliseconds interval, std::function<void()> tick);
    PeriodicTicker(const PeriodicTicker&) = delete;
    PeriodicTicker& operator=(const PeriodicTicker&) = delete;
    // Stops at once, also in the middle of an interval, and joins the thread.
    ~PeriodicTicker();

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false;
    std::thread thread_;
};
