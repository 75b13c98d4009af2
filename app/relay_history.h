// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The relay addresses a user typed, as they are kept between starts: most
// recent first, at most kRelayHistoryLimit, each once. ComboBox1 lists them
// after its first item in the order they were typed, which is the order the
// window's logic appends new ones in.

#include <string>
#include <vector>

constexpr std::size_t kRelayHistoryLimit = 20;

// The list to keep, from the box's items (its first item is not typed).
std::vector<std::string> RelayHistoryFromItems(const std::vector<std::string>& items);

// The box's items at start: its first item, then the kept addresses oldest first.
std::vector<std::string> RelayItemsFromHistory(const std::string& firstItem, const std::vector<std::string>& history);

// A list of typed texts, oldest first, with `text` the newest (moved there
// when it was listed already), at most kRelayHistoryLimit: the address
// ranges a user searched.
std::vector<std::string> TypedHistoryAfter(const std::vector<std::string>& items, const std::string& text);
