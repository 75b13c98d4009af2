// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/site_devices.h"

#include <poll.h>

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"

namespace {

using namespace std::chrono_literals;

// A search that takes as long as the test says: it ends when released.
class HeldSearch {
public:
    SiteDevices::Search Function() {
        return [this](const std::atomic<bool>& cancel) -> std::shared_ptr<const SiteAnswers> {
            std::unique_lock<std::mutex> lock(mutex_);
            ++runs_;
            changed_.notify_all();
            // The cancel flag is not ours to be told about: it is looked at.
            while (released_ == 0 && !cancel.load()) changed_.wait_for(lock, 10ms);
            if (released_ > 0) --released_;
            TComUnitList devices(static_cast<std::size_t>(runs_),
                                 MakeRecord({"M", "P", "N", "203.0.113.1", "80", "255.255.255.0", "", "", "", "", ""}));
            return std::make_shared<const SiteAnswers>(devices, RelayClock::now(), 0.1);
        };
    }
    void Release() {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++released_;
        changed_.notify_all();
    }
    int Runs() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return runs_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int runs_ = 0;
    int released_ = 0;
};

// Waits (bounded) for the search to end and takes its answers.
std::shared_ptr<const SiteAnswers> Collected(SiteDevices& site) {
    pollfd ready{site.ReadyFd(), POLLIN, 0};
    if (::poll(&ready, 1, 5000) != 1) return nullptr;
    return site.Collect();
}

TEST(SiteDevices, QueriesDuringASearchShareItAndFreshAnswersNeedNone) {
    HeldSearch search;
    SiteDevices site(search.Function(), 5s);
    const auto t0 = RelayClock::now();
    EXPECT_EQ(site.Latest(t0), nullptr) << "nothing before the first search";
    for (int client = 0; client < 50; ++client) EXPECT_EQ(site.Fresh(t0), nullptr);
    EXPECT_TRUE(site.Searching());
    search.Release();
    const auto answers = Collected(site);
    ASSERT_NE(answers, nullptr);
    EXPECT_EQ(answers->Devices().size(), 1u);
    EXPECT_EQ(site.SearchesStarted(), 1) << "fifty queries, one search";
    EXPECT_EQ(search.Runs(), 1);
    EXPECT_FALSE(site.Searching());

    const auto found = answers->Found();
    EXPECT_EQ(site.Fresh(found + 4s), answers);
    EXPECT_EQ(site.SearchesStarted(), 1);
    // Older than the cache time: a TCP or HTTP asker waits for a new search,
    // a UDP asker gets the old answers now while it runs.
    EXPECT_EQ(site.Latest(found + 6s), answers);
    EXPECT_EQ(site.Fresh(found + 6s), nullptr);
    EXPECT_EQ(site.SearchesStarted(), 2);
    search.Release();
    const auto second = Collected(site);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Devices().size(), 2u);
    EXPECT_EQ(site.Fresh(second->Found()), second);
}

TEST(SiteDevices, GoingAwayEndsASearchThatStillRuns) {
    HeldSearch search;
    const auto start = RelayClock::now();
    {
        SiteDevices site(search.Function(), 5s);
        site.Refresh();
        for (int i = 0; i < 100 && search.Runs() == 0; ++i) std::this_thread::sleep_for(10ms);
        ASSERT_EQ(search.Runs(), 1);
    }
    EXPECT_LT(RelayClock::now() - start, 5s);
}

}  // namespace
