// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Work that blocks (a probe, a camera call) runs on a thread of its own while
// the window thread goes on handling its messages; the work's own time
// limits bound the wait.

#include <chrono>
#include <functional>
#include <future>
#include <utility>

#include "protocol/window_ops.h"

// How many such waits the calling (window) thread is inside now, nested ones
// each: while one runs, the window must not close under it (the work would go
// on unseen, a camera taking settings after the window is gone).
inline int& WindowWaitsRunning() {
    static thread_local int running = 0;
    return running;
}

// `eachTurn` runs on the window thread between its turns (progress, say).
template <class Work>
auto WhileWindowRuns(WindowOps& form, Work work, const std::function<void()>& eachTurn = {}) {
    struct Counted {
        Counted() { ++WindowWaitsRunning(); }
        ~Counted() { --WindowWaitsRunning(); }
        Counted(const Counted&) = delete;
        Counted& operator=(const Counted&) = delete;
    } counted;
    auto pending = std::async(std::launch::async, std::move(work));
    while (pending.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        if (eachTurn) eachTurn();
        form.ProcessMessages();
    }
    return pending.get();
}
