// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/search_cards.h"

#include <net/if.h>

#include <algorithm>

std::vector<SearchCard> UpnpSearchCards(const std::vector<InterfaceAddress>& interfaces) {
    std::vector<SearchCard> cards;
    for (const InterfaceAddress& entry : interfaces) {
        if ((entry.flags & IFF_UP) == 0) continue;
        if ((entry.flags & (IFF_MULTICAST | IFF_LOOPBACK)) == 0) continue;
        const std::string card = entry.name.substr(0, entry.name.find(':'));
        const bool seen = std::any_of(cards.begin(), cards.end(), [&](const SearchCard& c) { return c.name == card; });
        if (!seen) cards.push_back({card, entry.address});
    }
    return cards;
}
