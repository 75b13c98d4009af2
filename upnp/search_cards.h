// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The cards a UPnP search runs on: one GUPnP context and one M-SEARCH
// socket each. Loopback counts too, for devices on this host.

#include <netinet/in.h>

#include <string>
#include <vector>

#include "protocol/broadcast_interfaces.h"

struct SearchCard {
    std::string name;     // "eth0"
    in_addr_t address{};  // network byte order
};

// The first IPv4 address of every card that is up and can multicast or is
// loopback, each card once (a labelled extra address "eth0:1" is its card's).
std::vector<SearchCard> UpnpSearchCards(const std::vector<InterfaceAddress>& interfaces);

// A card that could not be searched and why, for the search report.
struct FailedCard {
    std::string name;
    std::string reason;
};
