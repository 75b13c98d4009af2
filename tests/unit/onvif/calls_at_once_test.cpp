// SPDX-License-Identifier: GPL-3.0-or-later
// Calls sent together: all are out at the same time, and a call that throws
// is reported only after the others have ended (they write into the caller's
// variables, which must outlive them).

#include "onvif/calls_at_once.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

TEST(CallsAtOnce, AllAreOutTogetherAndAFailureWaitsForTheRest) {
    // Each call waits until all three have started: one after another, none would ever see three.
    std::mutex mutex;
    std::condition_variable arrived;
    int started = 0;
    bool allSeen[3] = {};
    auto call = [&](int i) {
        return [&, i] {
            std::unique_lock lock(mutex);
            ++started;
            arrived.notify_all();
            allSeen[i] = arrived.wait_for(lock, 5s, [&] { return started == 3; });
        };
    };
    RunCallsAtOnce({call(0), call(1), call(2)});
    EXPECT_TRUE(allSeen[0] && allSeen[1] && allSeen[2]);

    std::atomic<int> ended{0};
    EXPECT_THROW(RunCallsAtOnce({[] { throw std::runtime_error("lost"); },
                                 [&] {
                                     std::this_thread::sleep_for(50ms);
                                     ++ended;
                                 },
                                 [&] { ++ended; }}),
                 std::runtime_error);
    EXPECT_EQ(ended, 2);
    RunCallsAtOnce({});
}

}  // namespace
