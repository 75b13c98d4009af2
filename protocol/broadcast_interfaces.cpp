// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/broadcast_interfaces.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <sys/socket.h>

#include <algorithm>
#include <memory>

namespace {

// "eth0:1" is an extra address of eth0, not a card of its own.
std::string CardName(const std::string& name) { return name.substr(0, name.find(':')); }

// The first address of each card that is up, has `capability` and is not
// loopback, in the order given, each address once.
std::vector<in_addr_t> CardSourceAddresses(const std::vector<InterfaceAddress>& interfaces, unsigned capability) {
    std::vector<std::string> cards;
    std::vector<in_addr_t> sources;
    for (const InterfaceAddress& entry : interfaces) {
        const unsigned wanted = IFF_UP | capability;
        if ((entry.flags & wanted) != wanted || (entry.flags & IFF_LOOPBACK) != 0) continue;
        if (entry.address == htonl(INADDR_ANY)) continue;
        const std::string card = CardName(entry.name);
        if (std::find(cards.begin(), cards.end(), card) != cards.end()) continue;
        if (std::find(sources.begin(), sources.end(), entry.address) != sources.end()) continue;
        cards.push_back(card);
        sources.push_back(entry.address);
    }
    return sources;
}

}  // namespace

std::string Ipv4Text(in_addr_t address) {
    in_addr a{};
    a.s_addr = address;
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

std::vector<InterfaceAddress> LocalInterfaceAddresses() {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    const std::unique_ptr<ifaddrs, decltype(&::freeifaddrs)> owner(list, &::freeifaddrs);

    std::vector<InterfaceAddress> out;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) continue;
        sockaddr_in address{};
        std::copy_n(reinterpret_cast<const char*>(entry->ifa_addr), sizeof address, reinterpret_cast<char*>(&address));
        sockaddr_in netmask{};
        if (entry->ifa_netmask != nullptr && entry->ifa_netmask->sa_family == AF_INET)
            std::copy_n(reinterpret_cast<const char*>(entry->ifa_netmask), sizeof netmask,
                        reinterpret_cast<char*>(&netmask));
        out.push_back({entry->ifa_name != nullptr ? entry->ifa_name : "", entry->ifa_flags, address.sin_addr.s_addr,
                       netmask.sin_addr.s_addr});
    }
    return out;
}

std::vector<InterfaceAddress> OnCards(const std::vector<InterfaceAddress>& interfaces,
                                      const std::vector<std::string>& names) {
    if (names.empty()) return interfaces;
    std::vector<InterfaceAddress> chosen;
    for (const InterfaceAddress& entry : interfaces)
        if (std::find(names.begin(), names.end(), CardName(entry.name)) != names.end()) chosen.push_back(entry);
    return chosen;
}

std::vector<in_addr_t> BroadcastSourceAddresses(const std::vector<InterfaceAddress>& interfaces) {
    return CardSourceAddresses(interfaces, IFF_BROADCAST);
}

std::vector<in_addr_t> MulticastSourceAddresses(const std::vector<InterfaceAddress>& interfaces) {
    std::vector<in_addr_t> sources = CardSourceAddresses(interfaces, IFF_MULTICAST);
    if (!sources.empty()) return sources;
    for (const InterfaceAddress& entry : interfaces)
        if ((entry.flags & (IFF_UP | IFF_LOOPBACK)) == (IFF_UP | IFF_LOOPBACK) && entry.address != htonl(INADDR_ANY) &&
            std::find(sources.begin(), sources.end(), entry.address) == sources.end())
            sources.push_back(entry.address);
    return sources;
}

bool InLocalNetworks(in_addr_t address, const std::vector<InterfaceAddress>& interfaces) {
    return std::any_of(interfaces.begin(), interfaces.end(), [address](const InterfaceAddress& entry) {
        return entry.address != htonl(INADDR_ANY) && (entry.address & entry.netmask) == (address & entry.netmask);
    });
}
