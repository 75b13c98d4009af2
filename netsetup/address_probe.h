// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether some host already answers at an address: one ICMP echo request,
// then a bounded wait for its reply.

#include <netinet/in.h>

#include <chrono>
#include <string>

enum class ProbeOutcome {
    Answered,     // an echo reply came from the address
    Silent,       // nothing answered in time (or there is no route to it)
    Unavailable,  // this system lets us send no ICMP echo
};

struct ProbeResult {
    ProbeOutcome outcome = ProbeOutcome::Unavailable;
    std::string detail;  // why it was unavailable
};

// Uses an unprivileged ICMP datagram socket where net.ipv4.ping_group_range
// allows one, else a raw socket (root or CAP_NET_RAW). Blocks up to `timeout`.
ProbeResult ProbeAddress(in_addr_t address, std::chrono::milliseconds timeout);
