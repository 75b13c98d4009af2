// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/task_queue.h"

#include <algorithm>

void TaskQueue::Post(std::function<void()> task) {
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    cv_.notify_all();
}

int TaskQueue::RunPending() {
    int ran = 0;
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(mutex_);
            if (tasks_.empty()) return ran;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
        ++ran;
    }
}

bool TaskQueue::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    // done() may turn true through other threads without a task being
    // posted, so the wait is sliced rather than tied to the queue alone.
    constexpr auto kSlice = std::chrono::milliseconds(5);
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        RunPending();
        if (done()) return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        std::unique_lock lock(mutex_);
        cv_.wait_until(lock, std::min(deadline, now + kSlice), [this] { return !tasks_.empty(); });
    }
}
