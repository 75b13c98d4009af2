// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network card of a several-hosts box that simulated devices stand on,
// and giving it the addresses they answer from.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct BoxCard {
    std::string name;
    std::uint32_t address = 0;  // host byte order
    std::uint32_t netmask = 0;
    int Prefix() const;
    bool Holds(std::uint32_t hostOrder) const { return (hostOrder & netmask) == (address & netmask); }
};

// The first card that is up, not loopback, with an IPv4 address.
std::optional<BoxCard> FirstBoxCard();

// Gives the card every address of `addresses` (dotted) in its subnet that no
// card of this host has yet ("ip address add", no shell). False with a
// reason when one could not be added.
bool AddCardAddresses(const BoxCard& card, const std::vector<std::string>& addresses, std::string& error);
