// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/device_index.h"

#include <cstring>
#include <functional>
#include <string_view>

namespace {

// Equal for devices SameDevice takes as one.
std::size_t DeviceHash(const tComUnitInfo& rec) {
    const std::hash<std::string_view> hash;
    const std::size_t ip = hash(std::string_view(rec.ip, strnlen(rec.ip, sizeof rec.ip)));
    const std::size_t mac = hash(std::string_view(rec.mac, strnlen(rec.mac, sizeof rec.mac)));
    return ip ^ (mac * 0x9E3779B97F4A7C15ULL);
}

}  // namespace

bool SameDevice(const tComUnitInfo& a, const tComUnitInfo& b) {
    return std::strncmp(a.ip, b.ip, sizeof a.ip) == 0 && std::strncmp(a.mac, b.mac, sizeof a.mac) == 0;
}

void DeviceIndex::Reset() {
    index_.clear();
    indexed_ = 0;
    lastHash_ = 0;
}

void DeviceIndex::Follow(const TComUnitList& list) {
    if (list.size() < indexed_ || (indexed_ > 0 && DeviceHash(list[indexed_ - 1]) != lastHash_)) Reset();
    for (; indexed_ < list.size(); ++indexed_) {
        lastHash_ = DeviceHash(list[indexed_]);
        index_.emplace(lastHash_, indexed_);
    }
}

bool DeviceIndex::Contains(const TComUnitList& list, const tComUnitInfo& rec) {
    Follow(list);
    const auto [first, last] = index_.equal_range(DeviceHash(rec));
    for (auto entry = first; entry != last; ++entry)
        if (SameDevice(list[entry->second], rec)) return true;
    return false;
}
