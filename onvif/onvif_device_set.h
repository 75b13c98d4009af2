// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The devices one search has heard of: one per endpoint reference, however
// many probes, cards and Hellos it answered, in the order first heard.

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "protocol/onvif_device_info.h"

class OnvifDeviceSet {
public:
    static constexpr std::size_t kMaxDevices = 4096;
    // All the text one search keeps (OnvifTextBytes): far above what 4,096
    // real cameras say, far below what hostile hosts can send.
    static constexpr std::size_t kMaxTextBytes = 16 * 1024 * 1024;

    enum class AddResult { Added, Merged, NoEndpoint, Full };

    // Gives the device its row's XAddr (RowXAddr). A device already known
    // keeps its first answer; only what that answer lacked (a Hello may carry
    // no XAddrs) is filled in from the new one, and an answer from the host
    // of its own XAddr replaces a first one that named another host. Full:
    // the device, or what it would add, is past kMaxDevices or kMaxTextBytes
    // and was not kept.
    AddResult Add(OnvifDeviceInfo device);

    const std::vector<OnvifDeviceInfo>& Devices() const { return devices_; }
    std::vector<OnvifDeviceInfo> Take() { return std::move(devices_); }
    std::size_t TextBytes() const { return textBytes_; }

private:
    std::vector<OnvifDeviceInfo> devices_;
    std::unordered_map<std::string, std::size_t> index_;
    std::size_t textBytes_ = 0;
};
