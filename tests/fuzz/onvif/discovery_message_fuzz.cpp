// SPDX-License-Identifier: GPL-3.0-or-later
// Any datagram a LAN host sends to the probing socket: read it, keep its
// devices, make their rows.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "onvif/discovery_message.h"
#include "onvif/onvif_device_set.h"
#include "onvif/onvif_rows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view datagram(reinterpret_cast<const char*>(data), size);
    DiscoveryMessage message = ParseDiscoveryMessage(datagram);
    OnvifDeviceSet set;
    for (DiscoveryEntry& entry : message.entries) {
        entry.device.answeredFrom = "198.51.100.1:3702";
        set.Add(std::move(entry.device));
    }
    if (set.TextBytes() > OnvifDeviceSet::kMaxTextBytes) __builtin_trap();
    for (const OnvifDeviceInfo& device : set.Devices()) {
        std::string problem;
        const auto rec = OnvifDeviceRecord(device, problem);
        if (rec && ComUnitFieldText(rec->proj) != kOnvifProj) __builtin_trap();
        if (!rec && problem.empty()) __builtin_trap();
    }
    return 0;
}
