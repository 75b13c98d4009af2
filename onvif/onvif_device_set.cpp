#include "onvif/onvif_device_set.h"

OnvifDeviceSet::AddResult OnvifDeviceSet::Add(OnvifDeviceInfo device) {
    if (device.endpoint.empty()) return AddResult::NoEndpoint;
    const auto known = index_.find(device.endpoint);
    if (known == index_.end()) {
        if (devices_.size() >= kMaxDevices) return AddResult::Full;
        index_.emplace(device.endpoint, devices_.size());
        devices_.push_back(std::move(device));
        return AddResult::Added;
    }
    OnvifDeviceInfo& kept = devices_[known->second];
    if (kept.types.empty()) kept.types = std::move(device.types);
    if (kept.scopes.empty()) kept.scopes = std::move(device.scopes);
    if (kept.xaddrs.empty()) {
        kept.xaddrs = std::move(device.xaddrs);
        kept.answeredFrom = std::move(device.answeredFrom);
    }
    if (kept.metadataVersion.empty()) kept.metadataVersion = std::move(device.metadataVersion);
    return AddResult::Merged;
}
