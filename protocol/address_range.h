// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address ranges a range search covers, as a user types them: CIDR
// blocks ("203.0.113.0/24"), spans ("203.0.113.10-203.0.113.99") and single
// addresses, separated by commas. Parsing touches no socket; the list of
// addresses to probe leaves out what must never be probed.

#include <netinet/in.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/broadcast_interfaces.h"

// One search covers at most this many addresses.
inline constexpr std::uint64_t kMaxRangeAddresses = 65536;

// Inclusive, host byte order.
struct AddressBlock {
    std::uint32_t first = 0;
    std::uint32_t last = 0;
    bool operator==(const AddressBlock&) const = default;
};

struct ParsedRanges {
    // Each range as typed, blanks trimmed.
    std::vector<std::string> items;
    // The ranges joined where they overlap or touch, in ascending order.
    std::vector<AddressBlock> blocks;
    // Addresses the blocks hold together, each once.
    std::uint64_t addresses = 0;
    // Non-empty: why nothing may be sent ("Invalid range - [TEXT]", or too many addresses).
    std::string error;
};

// Reads a comma-separated list of ranges. A range reaching into 0.0.0.0/8,
// multicast or the addresses above it (224.0.0.0/3, the broadcast address
// included) is invalid: no device answers there, and a probe sent there
// would not be a unicast. An empty list is invalid too.
ParsedRanges ParseAddressRanges(std::string_view text);

// "Invalid range - [TEXT]".
std::string InvalidRangeMessage(std::string_view text);

// Whether an address (network byte order) lies in one of the blocks.
bool InAddressBlocks(const std::vector<AddressBlock>& blocks, in_addr_t address);

// One address a range search sends to.
struct RangeTarget {
    in_addr_t address{};  // network byte order
    // In the subnet of a card of this computer: reached through a neighbour
    // entry of its own rather than a router's.
    bool onLink = false;
};

// Every address of the blocks in ascending order, less this computer's own
// addresses and the network and broadcast addresses of its cards' subnets
// (a datagram to either would be a broadcast on that link).
std::vector<RangeTarget> RangeTargets(const std::vector<AddressBlock>& blocks,
                                      const std::vector<InterfaceAddress>& interfaces);

// The ranges with `ip` added where they do not hold it already (and it is
// an address), so a search after a setup looks where the device went.
std::string RangesWithAddress(const std::string& ranges, const std::string& ip);
