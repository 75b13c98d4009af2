// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who may use the relay, and how much: the allow list, the queries a client
// may make each second, and the bytes of UDP answers the relay sends.

#include <netinet/in.h>

#include <chrono>
#include <cstddef>
#include <unordered_map>
#include <vector>

#include "protocol/broadcast_interfaces.h"
#include "relay/relay_options.h"

using RelayClock = std::chrono::steady_clock;

// The subnet of each of this host's addresses, each once: who may ask when
// nobody said otherwise.
std::vector<Cidr> LocalSubnets(const std::vector<InterfaceAddress>& interfaces);

bool Allows(const std::vector<Cidr>& allow, in_addr_t client);

// A token bucket per client address: `perSecond` queries a second, as many
// at once. The clients it follows are bounded; when that many are busy, a
// new one is refused rather than let the table grow (sources can be forged).
class QueryRateLimit {
public:
    explicit QueryRateLimit(double perSecond = 10, std::size_t maxClients = 4096)
        : perSecond_(perSecond), maxClients_(maxClients) {}
    bool Admit(in_addr_t client, RelayClock::time_point now);
    std::size_t Followed() const { return buckets_.size(); }

private:
    struct Bucket {
        double tokens;
        RelayClock::time_point last;
    };
    double Refilled(const Bucket& bucket, RelayClock::time_point now) const;

    double perSecond_;
    std::size_t maxClients_;
    std::unordered_map<in_addr_t, Bucket> buckets_;
};

// Bytes that may be sent: `perSecond`, at most `burst` at once.
class ByteBudget {
public:
    ByteBudget(double perSecond, double burst) : perSecond_(perSecond), burst_(burst), tokens_(burst) {}
    // Takes `bytes` when the budget holds them.
    bool Take(std::size_t bytes, RelayClock::time_point now);
    // When `bytes` will be there (now, when they are).
    RelayClock::time_point ReadyAt(std::size_t bytes, RelayClock::time_point now);

private:
    void Refill(RelayClock::time_point now);

    double perSecond_;
    double burst_;
    double tokens_;
    RelayClock::time_point last_{};
    bool started_ = false;
};

// The relay's limits, in one place.
inline constexpr double kQueriesPerClientSecond = 10;
inline constexpr double kUdpAnswerBytesPerSecond = 1000 * 1000;
