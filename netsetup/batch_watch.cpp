// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/batch_watch.h"

#include <algorithm>

void BatchWatch::Add(int id, Confirm confirm, Clock::time_point sentAt) {
    awaited_.push_back({id, std::move(confirm), sentAt});
}

std::vector<BatchWatch::Outcome> BatchWatch::Check(const TComUnitList& found, Clock::time_point searchStartedAt,
                                                   Clock::time_point endedAt) {
    std::vector<Outcome> outcomes;
    std::erase_if(awaited_, [&](const Awaited& a) {
        if (searchStartedAt <= a.sentAt) return false;
        const std::optional<std::string> ip = a.confirm(found);
        if (!ip) return false;
        outcomes.push_back({a.id, true, *ip, std::chrono::duration<double>(endedAt - a.sentAt).count()});
        return true;
    });
    for (Outcome& o : Expire(endedAt)) outcomes.push_back(std::move(o));
    return outcomes;
}

std::vector<BatchWatch::Outcome> BatchWatch::Expire(Clock::time_point now) {
    std::vector<Outcome> outcomes;
    std::erase_if(awaited_, [&](const Awaited& a) {
        if (now - a.sentAt < limit_) return false;
        outcomes.push_back({a.id, false, {}, std::chrono::duration<double>(now - a.sentAt).count()});
        return true;
    });
    return outcomes;
}

BatchWatch::Clock::time_point BatchWatch::Deadline() const {
    Clock::time_point last{};
    for (const Awaited& a : awaited_) last = std::max(last, a.sentAt + limit_);
    return last;
}

std::chrono::seconds BatchWatchLimit(std::size_t devices) {
    return std::chrono::seconds(60 + 2 * static_cast<long long>(devices));
}
