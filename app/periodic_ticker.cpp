// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/periodic_ticker.h"

#include <utility>

PeriodicTicker::PeriodicTicker(std::chrono::milliseconds interval, std::function<void()> tick) {
    thread_ = std::thread([this, interval, tick = std::move(tick)] {
        std::unique_lock lock(mutex_);
        auto next = std::chrono::steady_clock::now() + interval;
        while (!wake_.wait_until(lock, next, [this] { return stop_; })) {
            lock.unlock();
            tick();
            lock.lock();
            next += interval;
        }
    });
}

PeriodicTicker::~PeriodicTicker() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
}
