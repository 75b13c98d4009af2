// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/site_devices.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

SiteDevices::SiteDevices(Search search, RelayClock::duration maxAge)
    : search_(std::move(search)), maxAge_(maxAge), ready_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    worker_ = std::thread([this] { Work(); });
}

SiteDevices::~SiteDevices() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        cancel_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void SiteDevices::Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return requested_ || cancel_.load(); });
        if (cancel_.load()) return;
        requested_ = false;
        lock.unlock();
        std::shared_ptr<const SiteAnswers> answers = search_(cancel_);
        lock.lock();
        finished_ = std::move(answers);
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(ready_.get(), &one, sizeof one);
    }
}

void SiteDevices::Refresh() {
    if (searching_) return;
    searching_ = true;
    ++started_;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        requested_ = true;
    }
    wake_.notify_all();
}

std::shared_ptr<const SiteAnswers> SiteDevices::Fresh(RelayClock::time_point now) {
    if (latest_ && now - latest_->Found() <= maxAge_) return latest_;
    Refresh();
    return nullptr;
}

std::shared_ptr<const SiteAnswers> SiteDevices::Latest(RelayClock::time_point now) {
    if (!latest_ || now - latest_->Found() > maxAge_) Refresh();
    return latest_;
}

std::shared_ptr<const SiteAnswers> SiteDevices::Collect() {
    std::uint64_t count = 0;
    if (::read(ready_.get(), &count, sizeof count) != sizeof count) return nullptr;
    std::shared_ptr<const SiteAnswers> answers;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        answers = std::move(finished_);
    }
    searching_ = false;
    if (answers) latest_ = answers;
    return answers;
}
