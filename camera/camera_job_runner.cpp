// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_job_runner.h"

CameraJobRunner::CameraJobRunner(std::size_t atOnce) : atOnce_(atOnce == 0 ? 1 : atOnce) {}

CameraJobRunner::~CameraJobRunner() {
    std::list<std::thread> workers;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        queue_.clear();
        workers.swap(workers_);
    }
    for (std::thread& worker : workers) worker.join();
}

void CameraJobRunner::Add(std::function<void()> job) {
    std::lock_guard lock(mutex_);
    Reap();
    queue_.push_back(std::move(job));
    // Idle workers are gone: a worker only lives while there is work.
    if (workers_.size() < atOnce_) workers_.emplace_back([this] { Work(); });
}

std::size_t CameraJobRunner::Pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size() + running_;
}

void CameraJobRunner::Work() {
    std::unique_lock lock(mutex_);
    while (!stopping_ && !queue_.empty()) {
        std::function<void()> job = std::move(queue_.front());
        queue_.pop_front();
        ++running_;
        lock.unlock();
        job();
        job = nullptr;  // what the job holds goes before the next one starts
        lock.lock();
        --running_;
    }
    finished_.insert(std::this_thread::get_id());
}

void CameraJobRunner::Reap() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (finished_.erase(it->get_id()) != 0) {
            it->join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}
