// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/setup_applier.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <algorithm>

namespace {

constexpr int kIp = 3, kNetmask = 5, kGateway = 6, kDns = 7, kMac = 8, kNote = 10;
constexpr std::uint32_t kFirstPoolHost = 200;
constexpr std::uint32_t kPoolSize = 50;

std::string AddressText(std::uint32_t hostOrder) {
    in_addr a{htonl(hostOrder)};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

// The package's fields after its token and flag, or nullopt for another shape.
std::optional<std::vector<std::string>> ControlFields(const std::string& package) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = package.find(',', start);
        parts.push_back(package.substr(start, comma - start));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (parts.size() != 2 + kSimFieldCount) return std::nullopt;
    return std::vector<std::string>(parts.begin() + 2, parts.end());
}

}  // namespace

DhcpPool BoxDhcpPool() {
    DhcpPool pool{0x7F000000u, 0xFF000000u};
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return pool;
    for (ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr || i->ifa_netmask == nullptr || i->ifa_addr->sa_family != AF_INET) continue;
        if ((i->ifa_flags & IFF_UP) == 0 || (i->ifa_flags & IFF_LOOPBACK) != 0) continue;
        const std::uint32_t address = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_addr)->sin_addr.s_addr);
        const std::uint32_t netmask = ntohl(reinterpret_cast<const sockaddr_in*>(i->ifa_netmask)->sin_addr.s_addr);
        pool = {address & netmask, netmask};
        break;
    }
    freeifaddrs(list);
    return pool;
}

std::optional<std::string> ApplyControlPackage(std::vector<SimDevice>& devices, const std::string& package,
                                               const DhcpPool& pool) {
    const auto fields = ControlFields(package);
    if (!fields) return std::nullopt;
    const std::string& mac = (*fields)[kMac];
    const auto device =
        std::find_if(devices.begin(), devices.end(), [&mac](const SimDevice& d) { return d.Mac() == mac; });
    if (device == devices.end()) return std::nullopt;
    const std::string& type = (*fields)[kNote];
    if (type == "static" || type == "torvo") {
        for (int field : {kIp, kNetmask, kGateway, kDns}) device->fields[field] = (*fields)[field];
    } else if (type == "dhcp") {
        const std::uint32_t hostMask = ~pool.netmask;
        for (std::uint32_t host = kFirstPoolHost; host < kFirstPoolHost + kPoolSize && host < hostMask; ++host) {
            const std::string candidate = AddressText(pool.network | host);
            const bool taken = std::any_of(devices.begin(), devices.end(),
                                           [&](const SimDevice& d) { return &d != &*device && d.Ip() == candidate; });
            if (taken) continue;
            device->fields[kIp] = candidate;
            device->fields[kNetmask] = AddressText(pool.netmask);
            break;
        }
    } else {
        return std::nullopt;
    }
    return mac + " now " + type + " at " + device->Ip();
}
