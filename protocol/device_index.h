// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The devices one search has listed, indexed by ip and mac, and how many a
// search may list at all.

#include <cstddef>
#include <unordered_map>

#include "protocol/com_unit_info.h"

// A flood of distinct answers (a host sending made-up packages for the whole
// search, a relay page of tiny rows) must not take the memory; a relay's
// 100,000 devices still fit.
constexpr std::size_t kMaxListedDevices = 131072;

// One index for a whole search, so each answer costs the same however long
// the list has grown. It follows the list it is asked about: entries appended
// by anyone since the last question are taken in first, and a list that was
// emptied or refilled meanwhile is indexed afresh.
class DeviceIndex {
public:
    // True when the list holds a device with rec's ip and mac.
    bool Contains(const TComUnitList& list, const tComUnitInfo& rec);
    // Forgets everything, as for a new search.
    void Reset();

private:
    void Follow(const TComUnitList& list);

    std::unordered_multimap<std::size_t, std::size_t> index_;
    std::size_t indexed_ = 0;
    std::size_t lastHash_ = 0;  // of list[indexed_ - 1], to notice a list rebuilt behind our back
};

// True when a and b are one device (same ip, same mac).
bool SameDevice(const tComUnitInfo& a, const tComUnitInfo& b);
