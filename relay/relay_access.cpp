// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_access.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <algorithm>
#include <bit>

std::vector<Cidr> LocalSubnets(const std::vector<InterfaceAddress>& interfaces) {
    std::vector<Cidr> subnets;
    for (const InterfaceAddress& entry : interfaces) {
        if (entry.address == htonl(INADDR_ANY)) continue;
        // A card whose netmask is not reported lets in its own address only.
        const in_addr_t netmask = entry.netmask != 0 ? entry.netmask : htonl(INADDR_BROADCAST);
        Cidr subnet;
        subnet.prefix = std::popcount(ntohl(netmask));
        subnet.network = entry.address & netmask;
        if (std::find(subnets.begin(), subnets.end(), subnet) == subnets.end()) subnets.push_back(subnet);
    }
    return subnets;
}

bool Allows(const std::vector<Cidr>& allow, in_addr_t client) {
    return std::any_of(allow.begin(), allow.end(), [client](const Cidr& cidr) { return CidrContains(cidr, client); });
}

double QueryRateLimit::Refilled(const Bucket& bucket, RelayClock::time_point now) const {
    const double seconds = std::chrono::duration<double>(now - bucket.last).count();
    return std::min(perSecond_, bucket.tokens + seconds * perSecond_);
}

bool QueryRateLimit::Admit(in_addr_t client, RelayClock::time_point now) {
    auto found = buckets_.find(client);
    if (found == buckets_.end()) {
        if (buckets_.size() >= maxClients_) {
            // A client whose bucket is full again is one nobody needs to follow.
            std::erase_if(buckets_, [&](const auto& entry) { return Refilled(entry.second, now) >= perSecond_; });
            if (buckets_.size() >= maxClients_) return false;
        }
        found = buckets_.emplace(client, Bucket{perSecond_, now}).first;
    }
    Bucket& bucket = found->second;
    bucket.tokens = Refilled(bucket, now);
    bucket.last = now;
    if (bucket.tokens < 1) return false;
    bucket.tokens -= 1;
    return true;
}

void ByteBudget::Refill(RelayClock::time_point now) {
    if (started_) tokens_ = std::min(burst_, tokens_ + std::chrono::duration<double>(now - last_).count() * perSecond_);
    started_ = true;
    last_ = now;
}

bool ByteBudget::Take(std::size_t bytes, RelayClock::time_point now) {
    Refill(now);
    const double wanted = static_cast<double>(bytes);
    if (tokens_ < std::min(wanted, burst_)) return false;
    tokens_ -= wanted;
    return true;
}

RelayClock::time_point ByteBudget::ReadyAt(std::size_t bytes, RelayClock::time_point now) {
    Refill(now);
    const double missing = std::min(static_cast<double>(bytes), burst_) - tokens_;
    if (missing <= 0) return now;
    return now + std::chrono::duration_cast<RelayClock::duration>(std::chrono::duration<double>(missing / perSecond_));
}
