// SPDX-License-Identifier: GPL-3.0-or-later
// The client's names and URL reading, which devsim shares without the network half.

#include <arpa/inet.h>

#include "onvif/device_client.h"

const char* OnvifAuthMethodName(OnvifAuthMethod method) {
    switch (method) {
        case OnvifAuthMethod::None:
            return "none";
        case OnvifAuthMethod::WsSecurity:
            return "ws-security";
        case OnvifAuthMethod::HttpDigest:
            return "http-digest";
        case OnvifAuthMethod::Open:
            return "open";
    }
    return "none";
}

std::string OnvifXaddrHost(const std::string& xaddr) {
    const std::size_t scheme = xaddr.find("://");
    if (scheme == std::string::npos) return {};
    std::string rest = xaddr.substr(scheme + 3);
    rest = rest.substr(0, rest.find_first_of("/?#"));
    rest = rest.substr(rest.find('@') == std::string::npos ? 0 : rest.find('@') + 1);
    if (!rest.empty() && rest.front() == '[') return rest.substr(1, rest.find(']') - 1);
    return rest.substr(0, rest.find(':'));
}

std::string OnvifXaddrWithHost(const std::string& xaddr, const std::string& host) {
    const std::size_t scheme = xaddr.find("://");
    const std::string old = OnvifXaddrHost(xaddr);
    if (scheme == std::string::npos || old.empty()) return {};
    const bool bracketed = xaddr.compare(scheme + 3, 1, "[") == 0;
    const std::size_t at = xaddr.find(old, scheme + 3) - (bracketed ? 1 : 0);
    return xaddr.substr(0, at) + host + xaddr.substr(at + old.size() + (bracketed ? 2 : 0));
}

bool OnvifXaddrHasUserInfo(const std::string& xaddr) {
    const std::size_t scheme = xaddr.find("://");
    if (scheme == std::string::npos) return false;
    const std::string authority = xaddr.substr(scheme + 3, xaddr.find_first_of("/?#", scheme + 3) - scheme - 3);
    return authority.find('@') != std::string::npos;
}

std::optional<int> OnvifPrefixLength(const std::string& netmask) {
    in_addr address{};
    if (::inet_pton(AF_INET, netmask.c_str(), &address) != 1) return std::nullopt;
    const std::uint32_t mask = ntohl(address.s_addr);
    const std::uint32_t hosts = ~mask;
    if ((hosts & (hosts + 1)) != 0 || mask == 0) return std::nullopt;  // ones then zeros only
    int length = 0;
    for (std::uint32_t bit = 0x80000000u; (mask & bit) != 0 && bit != 0; bit >>= 1) ++length;
    return length;
}
