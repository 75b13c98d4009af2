// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/box_guard.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "protocol/broadcast_interfaces.h"

namespace {

bool BoxAddress(in_addr_t address) {
    const std::uint32_t host = ntohl(address);
    if ((host >> 24) == 127) return true;
    const std::uint32_t net24 = host >> 8;
    if (net24 == 0xC63364 || net24 == 0xCB0071) return true;  // 198.51.100, 203.0.113
    return (host >> 17) == (0xC6120000u >> 17);               // 198.18.0.0/15, for benchmarks
}

// A box's cards get only the link-local address the kernel gives every card.
bool BoxAddress(const in6_addr& address) { return IN6_IS_ADDR_LOOPBACK(&address) || IN6_IS_ADDR_LINKLOCAL(&address); }

std::string CardName(const std::string& name) { return name.substr(0, name.find(':')); }

struct Card {
    std::string name;
    unsigned flags = 0;
    std::string foreignIpv6;  // the first IPv6 address no box gives, if any
};

// Every card, with or without an address (getifaddrs lists each link once
// more, without an IPv4 address), with its IPv6 addresses.
std::vector<Card> AllCards() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> owner(list, &::freeifaddrs);
    std::vector<Card> cards;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_name == nullptr) continue;
        const std::string name = CardName(entry->ifa_name);
        auto known = std::find_if(cards.begin(), cards.end(), [&](const Card& c) { return c.name == name; });
        if (known == cards.end()) known = cards.insert(cards.end(), {name, 0, {}});
        known->flags |= entry->ifa_flags;
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET6) continue;
        sockaddr_in6 address{};
        std::copy_n(reinterpret_cast<const char*>(entry->ifa_addr), sizeof address, reinterpret_cast<char*>(&address));
        if (BoxAddress(address.sin6_addr) || !known->foreignIpv6.empty()) continue;
        char text[INET6_ADDRSTRLEN] = {};
        ::inet_ntop(AF_INET6, &address.sin6_addr, text, sizeof text);
        known->foreignIpv6 = text;
    }
    return cards;
}

}  // namespace

std::string CardOutsideLanBox() {
    const std::vector<InterfaceAddress> addresses = LocalInterfaceAddresses();
    const std::vector<Card> cards = AllCards();
    // A namespace always has lo; seeing nothing means the cards could not be read.
    if (addresses.empty() || cards.empty()) return "the network cards cannot be read";
    for (const InterfaceAddress& entry : addresses) {
        if (!BoxAddress(entry.address))
            return "card " + entry.name + " has " + Ipv4Text(entry.address) + ", an address no LAN box gives";
    }
    for (const Card& card : cards) {
        if (!card.foreignIpv6.empty())
            return "card " + card.name + " has " + card.foreignIpv6 + ", an address no LAN box gives";
    }
    // A card that is up without an IPv4 address is none the box made either.
    for (const Card& card : cards) {
        if ((card.flags & IFF_UP) == 0 || (card.flags & IFF_LOOPBACK) != 0) continue;
        const bool addressed = std::any_of(addresses.begin(), addresses.end(),
                                           [&](const InterfaceAddress& a) { return CardName(a.name) == card.name; });
        if (!addressed) return "card " + card.name + " is up without an address of a LAN box";
    }
    return {};
}

std::string LanBoxRefusal() {
    const char* box = std::getenv("LANBOX");
    if (box == nullptr || *box == '\0') return "LANBOX is not set (run it through scripts/lanbox)";
    const std::string card = CardOutsideLanBox();
    if (!card.empty()) return "this is not a LAN box's network: " + card;
    return {};
}
