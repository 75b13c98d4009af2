// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether an ONVIF camera took new network settings, judged from what a
// WS-Discovery search begun after the change found.

#include <string>
#include <vector>

#include "protocol/onvif_device_info.h"

struct OnvifSetupTarget {
    std::string endpoint;
    bool dhcp = false;
    std::string ip;  // the new static address
};

// The answer of the same endpoint with an http XAddr at the new address
// (after DHCP any answer of the endpoint), or nullptr.
const OnvifDeviceInfo* FindConfirmingOnvifDevice(const std::vector<OnvifDeviceInfo>& found,
                                                 const OnvifSetupTarget& target);
