// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_settings.h"

#include <net/if.h>

#include <algorithm>
#include <bit>

#include "protocol/text_format.h"
#include "relay/relay_access.h"

RelaySettings SettingsFor(const RelayOptions& options, const std::vector<InterfaceAddress>& interfaces) {
    RelaySettings settings;
    settings.allow = options.allow ? *options.allow : LocalSubnets(interfaces);
    settings.allowSetup = options.allowSetup;
    settings.cards = options.interfaces;
    settings.httpPort = options.httpPort;
    return settings;
}

std::string SearchCardsText(const std::vector<std::string>& cards, const std::vector<InterfaceAddress>& interfaces) {
    std::vector<std::string> items;
    const std::vector<InterfaceAddress> chosen = OnCards(interfaces, cards);
    for (const in_addr_t source : BroadcastSourceAddresses(chosen)) {
        const auto card = std::find_if(chosen.begin(), chosen.end(),
                                       [source](const InterfaceAddress& entry) { return entry.address == source; });
        items.push_back(card->name + " " + Ipv4Text(source) + "/" +
                        std::to_string(std::popcount(ntohl(card->netmask))));
    }
    for (const std::string& name : cards) {
        const bool present = std::any_of(interfaces.begin(), interfaces.end(), [&](const InterfaceAddress& entry) {
            return entry.name == name || entry.name.rfind(name + ":", 0) == 0;
        });
        const bool broadcasts = !BroadcastSourceAddresses(OnCards(interfaces, {name})).empty();
        if (!present)
            items.push_back(name + " (no such card with an IPv4 address)");
        else if (!broadcasts)
            items.push_back(name + " (cannot broadcast: down, or loopback)");
    }
    if (items.empty()) return cards.empty() ? "no card that can broadcast (only what routing picks)" : "none";
    return Joined(items);
}

std::vector<std::string> DescribeRelay(const RelaySettings& settings, int cacheSeconds,
                                       const std::vector<InterfaceAddress>& interfaces) {
    std::vector<std::string> lines;
    lines.push_back(StrFormat("relay queries on UDP and TCP port %d", settings.devicePort));
    lines.push_back(settings.httpPort > 0 ? StrFormat("device page on HTTP port %d", settings.httpPort)
                                          : std::string("no HTTP device page (--http-port 0)"));
    lines.push_back("devices searched through " + SearchCardsText(settings.cards, interfaces));
    std::vector<std::string> allowed;
    for (const Cidr& cidr : settings.allow) allowed.push_back(CidrText(cidr));
    lines.push_back("clients allowed: " + (allowed.empty() ? std::string("none") : Joined(allowed)));
    lines.push_back(settings.allowSetup ? "control packages from allowed clients are sent on to the site"
                                        : "control packages are dropped (no --allow-setup)");
    lines.push_back(StrFormat("a search's devices are served for %d s", cacheSeconds));
    return lines;
}
