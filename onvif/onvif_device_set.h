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

    enum class AddResult { Added, Merged, NoEndpoint, Full };

    // A device already known keeps its first answer; only what that answer
    // lacked (a Hello may carry no XAddrs) is filled in from the new one.
    AddResult Add(OnvifDeviceInfo device);

    const std::vector<OnvifDeviceInfo>& Devices() const { return devices_; }
    std::vector<OnvifDeviceInfo> Take() { return std::move(devices_); }

private:
    std::vector<OnvifDeviceInfo> devices_;
    std::unordered_map<std::string, std::size_t> index_;
};
