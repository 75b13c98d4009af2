// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/relay_history.h"

#include <algorithm>

namespace {

// Most recent first; a repeated address counts where it was last typed.
std::vector<std::string> Limited(const std::vector<std::string>& newestFirst, const std::string& firstItem) {
    std::vector<std::string> kept;
    for (const std::string& address : newestFirst) {
        if (kept.size() == kRelayHistoryLimit) break;
        if (address.empty() || address == firstItem) continue;
        if (std::find(kept.begin(), kept.end(), address) == kept.end()) kept.push_back(address);
    }
    return kept;
}

}  // namespace

std::vector<std::string> RelayHistoryFromItems(const std::vector<std::string>& items) {
    if (items.empty()) return {};
    return Limited(std::vector<std::string>(items.rbegin(), items.rend() - 1), items.front());
}

std::vector<std::string> RelayItemsFromHistory(const std::string& firstItem, const std::vector<std::string>& history) {
    const std::vector<std::string> kept = Limited(history, firstItem);
    std::vector<std::string> items{firstItem};
    items.insert(items.end(), kept.rbegin(), kept.rend());
    return items;
}

std::vector<std::string> TypedHistoryAfter(const std::vector<std::string>& items, const std::string& text) {
    std::vector<std::string> newestFirst{text};
    newestFirst.insert(newestFirst.end(), items.rbegin(), items.rend());
    const std::vector<std::string> kept = Limited(newestFirst, std::string());
    return {kept.rbegin(), kept.rend()};
}
