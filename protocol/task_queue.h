// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window thread without a window toolkit: tasks posted from any thread run
// on the owning thread, in order, when it drains the queue. The console form
// of lanvaro-cli and the tests' fake window use it.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

class TaskQueue {
public:
    TaskQueue() : owner_(std::this_thread::get_id()) {}

    bool IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

    void Post(std::function<void()> task);

    // Runs every task queued so far (and those they queue); returns how many ran.
    int RunPending();

    // Runs tasks as they come until done() holds or the timeout passes;
    // returns done() at the end.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

private:
    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> tasks_;
};
