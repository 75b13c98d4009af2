// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network cards a local broadcast must leave through. Linux sends a
// broadcast to 255.255.255.255 through one card only, chosen by the socket's
// source address, so reaching every card takes one send per card address.

#include <netinet/in.h>

#include <string>
#include <vector>

// One IPv4 address of an interface, as getifaddrs reports it.
struct InterfaceAddress {
    std::string name;     // "eth0", or "eth0:1" for a labelled extra address
    unsigned flags = 0;   // IFF_*
    in_addr_t address{};  // network byte order
    in_addr_t netmask{};  // network byte order; 0 when not reported
};

// An address (network byte order) as dotted text.
std::string Ipv4Text(in_addr_t address);

// The IPv4 addresses of this host's interfaces; empty when they cannot be read.
std::vector<InterfaceAddress> LocalInterfaceAddresses();

// The entries of the named cards ("eth0" also takes "eth0:1"); every entry
// when no name is given.
std::vector<InterfaceAddress> OnCards(const std::vector<InterfaceAddress>& interfaces,
                                      const std::vector<std::string>& names);

// The source addresses to broadcast from: the first address of each card that
// is up, can broadcast and is not loopback, in the order given, each address
// once. Further addresses of a card add nothing: the card already hears it.
std::vector<in_addr_t> BroadcastSourceAddresses(const std::vector<InterfaceAddress>& interfaces);

// The card addresses a multicast must leave through: the first address of
// each card that is up, can multicast and is not loopback, each card once.
// With no such card, the loopback addresses that are up, so a host without
// a network (or a test namespace) still reaches what runs on it.
std::vector<in_addr_t> MulticastSourceAddresses(const std::vector<InterfaceAddress>& interfaces);

// Whether an address lies in the subnet of any of these addresses (cards that
// are down count too: the address is still theirs to reach once they are up).
bool InLocalNetworks(in_addr_t address, const std::vector<InterfaceAddress>& interfaces);
