// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/onvif_device_set.h"

#include "onvif/discovery_message.h"
#include "onvif/onvif_rows.h"

namespace {

std::size_t ListBytes(const std::vector<std::string>& list) {
    std::size_t bytes = 0;
    for (const std::string& item : list) bytes += item.size();
    return bytes;
}

bool XAddrOnSender(const OnvifDeviceInfo& device) {
    const auto host = HttpIpv4XAddrHost(device.xaddr);
    return host && host->ip == SenderIp(device.answeredFrom) && XAddrNamedBySender(device);
}

}  // namespace

OnvifDeviceSet::AddResult OnvifDeviceSet::Add(OnvifDeviceInfo device) {
    if (device.endpoint.empty()) return AddResult::NoEndpoint;
    device.xaddr = RowXAddr(device.xaddrs, SenderIp(device.answeredFrom));
    const auto known = index_.find(device.endpoint);
    if (known == index_.end()) {
        const std::size_t bytes = OnvifTextBytes(device);
        if (devices_.size() >= kMaxDevices || textBytes_ + bytes > kMaxTextBytes) return AddResult::Full;
        textBytes_ += bytes;
        index_.emplace(device.endpoint, devices_.size());
        devices_.push_back(std::move(device));
        return AddResult::Added;
    }
    OnvifDeviceInfo& kept = devices_[known->second];
    const bool takeTypes = kept.types.empty();
    const bool takeScopes = kept.scopes.empty();
    const bool takeVersion = kept.metadataVersion.empty();
    // A first answer without a usable XAddr, or one naming a host other than
    // its sender's, gives way to an answer from the XAddr's own host.
    const bool takeAddress = kept.xaddrs.empty() || (kept.xaddr.empty() && !device.xaddr.empty()) ||
                             (!XAddrOnSender(kept) && XAddrOnSender(device));
    std::size_t added = 0;
    std::size_t removed = 0;
    if (takeTypes) added += ListBytes(device.types);
    if (takeScopes) added += ListBytes(device.scopes);
    if (takeVersion) added += device.metadataVersion.size();
    if (takeAddress) {
        added += ListBytes(device.xaddrs) + device.xaddr.size() + device.answeredFrom.size();
        removed += ListBytes(kept.xaddrs) + kept.xaddr.size() + kept.answeredFrom.size();
    }
    if (textBytes_ - removed + added > kMaxTextBytes) return AddResult::Full;
    textBytes_ = textBytes_ - removed + added;
    if (takeTypes) kept.types = std::move(device.types);
    if (takeScopes) kept.scopes = std::move(device.scopes);
    if (takeVersion) kept.metadataVersion = std::move(device.metadataVersion);
    if (takeAddress) {
        kept.xaddrs = std::move(device.xaddrs);
        kept.xaddr = std::move(device.xaddr);
        kept.answeredFrom = std::move(device.answeredFrom);
    }
    return AddResult::Merged;
}
