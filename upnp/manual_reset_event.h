// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A manual-reset event: once set, every wait returns until it is destroyed.

#include <chrono>
#include <condition_variable>
#include <mutex>

class ManualResetEvent {
public:
    void Set() {
        {
            std::lock_guard lock(mutex_);
            set_ = true;
        }
        cv_.notify_all();
    }
    bool IsSet() {
        std::lock_guard lock(mutex_);
        return set_;
    }
    void Wait() {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return set_; });
    }
    bool WaitFor(std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        return cv_.wait_for(lock, timeout, [this] { return set_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};
