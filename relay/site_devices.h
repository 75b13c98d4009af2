// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The site's devices as the relay serves them: the last search's answers,
// and a search on a thread of its own when a query finds them older than the
// cache time. One search at a time: queries that come while it runs wait
// for it and share it.

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "protocol/unique_fd.h"
#include "relay/site_answers.h"

class SiteDevices {
public:
    using Search = std::function<std::shared_ptr<const SiteAnswers>(const std::atomic<bool>& cancel)>;
    SiteDevices(Search search, RelayClock::duration maxAge);
    // Cancels a running search and waits for it.
    ~SiteDevices();
    SiteDevices(const SiteDevices&) = delete;
    SiteDevices& operator=(const SiteDevices&) = delete;

    // The rest is for the thread that serves queries.

    // The answers while they are younger than the cache time; else nullptr,
    // and a search runs (started now, or already running) for the caller to
    // wait for.
    std::shared_ptr<const SiteAnswers> Fresh(RelayClock::time_point now);
    // The last answers whatever their age, a search started when they are
    // stale; nullptr before the first search has ended.
    std::shared_ptr<const SiteAnswers> Latest(RelayClock::time_point now);
    // Starts a search unless one runs.
    void Refresh();
    bool Searching() const { return searching_; }
    // Readable once a search has ended; Collect then takes its answers.
    int ReadyFd() const { return ready_.get(); }
    std::shared_ptr<const SiteAnswers> Collect();
    int SearchesStarted() const { return started_; }

private:
    void Work();

    Search search_;
    RelayClock::duration maxAge_;
    UniqueFd ready_;
    std::shared_ptr<const SiteAnswers> latest_;
    bool searching_ = false;
    int started_ = 0;

    std::mutex mutex_;
    std::condition_variable wake_;
    bool requested_ = false;
    std::shared_ptr<const SiteAnswers> finished_;
    std::atomic<bool> cancel_{false};
    std::thread worker_;
};
