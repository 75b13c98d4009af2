// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/range_pacing.h"

#include <algorithm>
#include <fstream>

namespace {

// Lagging more than this behind the schedule starts it afresh.
constexpr std::chrono::milliseconds kMostLag{20};

}  // namespace

int NeighbourTableLimit(const std::string& path) {
    std::ifstream in(path);
    long long limit = 0;
    if (in >> limit && limit > 0) return static_cast<int>(std::min<long long>(limit, 1 << 30));
    return 1024;
}

int OnLinkAddressesPerSecond(int neighbourLimit) { return std::clamp(neighbourLimit / 4, 1, 256); }

PaceClock::time_point SendPace::Step::Due() const {
    return anchor + std::chrono::duration_cast<PaceClock::duration>(
                        std::chrono::duration<double>(static_cast<double>(since) / perSecond));
}

void SendPace::Step::Count(PaceClock::time_point now) {
    if (now - Due() > kMostLag) {
        anchor = now;
        since = 0;
    }
    ++since;
}

SendPace::SendPace(int perSecond, int onLinkPerSecond, PaceClock::time_point start)
    : rate_(std::max(perSecond, 1)), all_{rate_, start}, onLink_{std::max(onLinkPerSecond, 1), start} {}

PaceClock::time_point SendPace::Due(bool newOnLink) const {
    return newOnLink ? std::max(all_.Due(), onLink_.Due()) : all_.Due();
}

void SendPace::Sent(bool newOnLink, PaceClock::time_point now) {
    all_.Count(now);
    if (newOnLink) onLink_.Count(now);
}

void SendPace::SlowDown(PaceClock::time_point now) {
    rate_ = std::max(rate_ / 2, std::min(rate_, kSlowestRangeRate));
    all_ = Step{rate_, now};
}
