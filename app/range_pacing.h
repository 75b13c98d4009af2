// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// When a range search may send its next datagram: at a steady rate, with
// fewer new on-link addresses (each takes an entry of the neighbour table,
// which the whole machine shares), and slower once the kernel has said it
// has no room.

#include <chrono>
#include <string>

using PaceClock = std::chrono::steady_clock;

// Datagrams per second.
inline constexpr int kDefaultRangeRate = 10000;
inline constexpr int kMaxRangeRate = 50000;
// Slowing down never goes below this.
inline constexpr int kSlowestRangeRate = 100;

// The neighbour table's limit: gc_thresh3 where it can be read, else 1024.
int NeighbourTableLimit(const std::string& path = "/proc/sys/net/ipv4/neigh/default/gc_thresh3");

// New on-link addresses per second for a table of that limit: an address
// nobody answers stays unresolved for about three seconds, so a quarter of
// the limit per second keeps well below it; at most 256.
int OnLinkAddressesPerSecond(int neighbourLimit);

class SendPace {
public:
    SendPace(int perSecond, int onLinkPerSecond, PaceClock::time_point start);

    // The earliest moment the next datagram may go; `newOnLink` when it is
    // the first one to an on-link address.
    PaceClock::time_point Due(bool newOnLink) const;
    // A datagram went at `now`. A sender that fell behind (the thread waited
    // for a processor) starts afresh rather than catching up in one burst.
    void Sent(bool newOnLink, PaceClock::time_point now);
    // The kernel refused for want of room: half the rate from `now` on.
    void SlowDown(PaceClock::time_point now);

    int Rate() const { return rate_; }

private:
    struct Step {
        int perSecond;
        PaceClock::time_point anchor;
        long long since = 0;
        PaceClock::time_point Due() const;
        void Count(PaceClock::time_point now);
    };
    int rate_;
    Step all_;
    Step onLink_;
};
