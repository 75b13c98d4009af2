#pragma once
// Work that blocks (a probe, a camera call) runs on a thread of its own while
// the window thread goes on handling its messages; the work's own time
// limits bound the wait.

#include <chrono>
#include <functional>
#include <future>
#include <utility>

#include "protocol/window_ops.h"

// `eachTurn` runs on the window thread between its turns (progress, say).
template <class Work>
auto WhileWindowRuns(WindowOps& form, Work work, const std::function<void()>& eachTurn = {}) {
    auto pending = std::async(std::launch::async, std::move(work));
    while (pending.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        if (eachTurn) eachTurn();
        form.ProcessMessages();
    }
    return pending.get();
}
