// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/local_routes.h"

#include <arpa/inet.h>

#include <fstream>
#include <sstream>

namespace {

// Prefix lengths outside 0..32 count as 32: a host of its own.
in_addr_t Mask(int prefixLength) {
    if (prefixLength <= 0) return 0;
    return htonl(prefixLength >= 32 ? 0xFFFFFFFFu : 0xFFFFFFFFu << (32 - prefixLength));
}

bool ParseHex(const std::string& text, in_addr_t& value) {
    if (text.size() != 8 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
    // The kernel prints the address as it lies in memory, in this machine's order.
    value = static_cast<in_addr_t>(std::stoul(text, nullptr, 16));
    return true;
}

}  // namespace

std::vector<Ipv4Route> ParseProcNetRoute(const std::string& text) {
    std::vector<Ipv4Route> routes;
    std::istringstream lines(text);
    std::string line;
    for (int count = 0; std::getline(lines, line) && count < 65536; ++count) {
        std::istringstream fields(line);
        std::string card, destination, gateway, flags, refs, use, metric, mask;
        if (!(fields >> card >> destination >> gateway >> flags >> refs >> use >> metric >> mask)) continue;
        Ipv4Route route;
        if (ParseHex(destination, route.destination) && ParseHex(mask, route.netmask)) routes.push_back(route);
    }
    return routes;
}

std::vector<Ipv4Route> LocalRoutes() {
    std::ifstream file("/proc/net/route");
    std::stringstream text;
    text << file.rdbuf();
    return ParseProcNetRoute(text.str());
}

bool SubnetReachable(in_addr_t address, int prefixLength, const std::vector<InterfaceAddress>& cards,
                     const std::vector<Ipv4Route>& routes) {
    const in_addr_t mask = Mask(prefixLength);
    for (const InterfaceAddress& card : cards) {
        if ((card.address & mask) == (address & mask)) return true;
        if (card.netmask != 0 && (card.address & card.netmask) == (address & card.netmask)) return true;
    }
    for (const Ipv4Route& route : routes)
        if (route.netmask != 0 && (address & route.netmask) == route.destination) return true;
    return false;
}

bool SubnetReachableFromHere(const std::string& address, int prefixLength) {
    in_addr value{};
    if (::inet_pton(AF_INET, address.c_str(), &value) != 1) return false;
    return SubnetReachable(value.s_addr, prefixLength, LocalInterfaceAddresses(), LocalRoutes());
}

std::string SubnetText(const std::string& address, int prefixLength) {
    in_addr value{};
    if (::inet_pton(AF_INET, address.c_str(), &value) != 1) return {};
    return Ipv4Text(value.s_addr & Mask(prefixLength)) + "/" + std::to_string(prefixLength);
}
