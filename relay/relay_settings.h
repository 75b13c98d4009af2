// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the relay serves, from its options and this host's cards; the lines
// that say so at start-up and for --check.

#include <string>
#include <vector>

#include "protocol/broadcast_interfaces.h"
#include "protocol/plain_package.h"
#include "relay/relay_options.h"

struct RelaySettings {
    std::vector<Cidr> allow;
    bool allowSetup = false;
    std::vector<std::string> cards;  // searched and broadcast through; none: every card that can
    int devicePort = kDevicePort;    // UDP and TCP
    int replyPort = kReplyPort;      // where UDP answers go
    int httpPort = 80;               // 0: no HTTP
};

RelaySettings SettingsFor(const RelayOptions& options, const std::vector<InterfaceAddress>& interfaces);

// The cards searched through, "eth0 198.51.100.2/24, ..."; a named card that
// is missing or cannot broadcast is said so.
std::string SearchCardsText(const std::vector<std::string>& cards, const std::vector<InterfaceAddress>& interfaces);

// What the relay serves, one line each: ports, cards, who may ask, control
// packages, cache time.
std::vector<std::string> DescribeRelay(const RelaySettings& settings, int cacheSeconds,
                                       const std::vector<InterfaceAddress>& interfaces);
