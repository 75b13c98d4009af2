// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_setup_confirmation.h"

#include "onvif/onvif_rows.h"

const OnvifDeviceInfo* FindConfirmingOnvifDevice(const std::vector<OnvifDeviceInfo>& found,
                                                 const OnvifSetupTarget& target) {
    for (const OnvifDeviceInfo& device : found) {
        if (device.endpoint != target.endpoint) continue;
        if (target.dhcp) return &device;
        // Any of its XAddrs will do: a camera may list its old address first
        // for a while.
        for (const std::string& xaddr : device.xaddrs) {
            const auto host = FirstIpv4HttpXAddr({xaddr});
            if (host && host->ip == target.ip) return &device;
        }
    }
    return nullptr;
}
