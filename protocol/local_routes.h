// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether this computer reaches a subnet by itself, not only through its
// default router: a device moved there that has no gateway yet answers only
// a computer on its own link.

#include <netinet/in.h>

#include <string>
#include <vector>

#include "protocol/broadcast_interfaces.h"

struct Ipv4Route {
    in_addr_t destination{};  // network byte order
    in_addr_t netmask{};      // network byte order; 0 for a default route
};

// The routes of /proc/net/route's text (the main table); unreadable lines are passed over.
std::vector<Ipv4Route> ParseProcNetRoute(const std::string& text);
// This computer's routes; empty when they cannot be read.
std::vector<Ipv4Route> LocalRoutes();

// Whether a card has an address in the subnet `address`/`prefixLength`, or a
// card's own subnet or a route other than the default one holds `address`.
bool SubnetReachable(in_addr_t address, int prefixLength, const std::vector<InterfaceAddress>& cards,
                     const std::vector<Ipv4Route>& routes);
// The same for this computer and a text address; false for text that is no IPv4 address.
bool SubnetReachableFromHere(const std::string& address, int prefixLength);

// "203.0.113.0/24"; empty for text that is no IPv4 address.
std::string SubnetText(const std::string& address, int prefixLength);
