// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Camera calls for many cameras at once, off the window thread: at most a
// few run together (each waits up to its calls' own limits, and a LAN of
// cameras answers best a few at a time), the rest wait their turn in the
// order given. A job tells the window about itself by posting; one whose
// window is gone returns at once.

#include <cstddef>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <set>
#include <thread>

inline constexpr std::size_t kCamerasAtOnce = 8;

class CameraJobRunner {
public:
    explicit CameraJobRunner(std::size_t atOnce = kCamerasAtOnce);
    CameraJobRunner(const CameraJobRunner&) = delete;
    CameraJobRunner& operator=(const CameraJobRunner&) = delete;
    // Drops the jobs not started; waits for those running (each bounded by
    // its own calls' time limits).
    ~CameraJobRunner();

    void Add(std::function<void()> job);
    // Jobs queued or running.
    std::size_t Pending() const;

private:
    void Work();
    // Joins the workers that found nothing more to do.
    void Reap();

    const std::size_t atOnce_;
    mutable std::mutex mutex_;
    std::deque<std::function<void()>> queue_;
    std::size_t running_ = 0;
    bool stopping_ = false;
    std::list<std::thread> workers_;
    std::set<std::thread::id> finished_;
};
