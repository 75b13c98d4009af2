// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a WS-Discovery search makes of the datagrams it hears: ONVIF devices
// (one per endpoint reference), what was counted and not listed, and a
// bounded log of what was ignored. No sockets: the multicast search and the
// range search feed it the datagrams they read.

#include <netinet/in.h>

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "onvif/onvif_device_set.h"
#include "protocol/onvif_device_info.h"

// What came back, counted before duplicates are dropped.
struct WsdCounts {
    int matches = 0;    // ONVIF device entries of ProbeMatches and Hellos
    int malformed = 0;  // datagrams that were no readable discovery message
    int other = 0;      // entries that are no ONVIF device of this search
    int cut = 0;        // entries cut short, or not kept, for the size bounds

    WsdCounts& operator+=(const WsdCounts& more) {
        matches += more.matches;
        malformed += more.malformed;
        other += more.other;
        cut += more.cut;
        return *this;
    }
};

class WsdCollector {
public:
    // Log lines are appended to `log`, which must outlive the collector.
    explicit WsdCollector(std::vector<std::string>& log) : log_(log) {}

    // A MessageID of a Probe this search sent: answers relating to it are its own.
    void AddOwnProbe(std::string messageId) { ownProbes_.insert(std::move(messageId)); }

    // One datagram from `from`; `toProbingSocket` when it came to a socket
    // that sent probes (not to the group's port).
    void Take(std::string_view datagram, const sockaddr_in& from, bool toProbingSocket);

    // The devices, in the order first heard; the log says how many ignored
    // datagrams it left out.
    std::vector<OnvifDeviceInfo> TakeDevices();
    // The devices heard so far, in the order first heard; a device keeps its
    // place and its XAddr once it has one.
    const std::vector<OnvifDeviceInfo>& Devices() const { return set_.Devices(); }
    const WsdCounts& Counts() const { return counts_; }
    // The endpoints that said Bye, in the order heard (at most kMaxByes).
    const std::vector<std::string>& Byes() const { return byes_; }
    static constexpr std::size_t kMaxByes = 1024;

private:
    void Problem(std::string line);

    std::vector<std::string>& log_;
    OnvifDeviceSet set_;
    std::unordered_set<std::string> ownProbes_;
    int problems_ = 0;
    bool fullLogged_ = false;
    WsdCounts counts_;
    std::vector<std::string> byes_;
};
