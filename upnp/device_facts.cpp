// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/device_facts.h"

#include <unordered_set>

std::string YesNo(bool value) { return value ? "Yes" : "No"; }

std::string ChildrenSummary(int n) {
    if (n <= 0) return "No: Zero children";
    if (n == 1) return "Yes: One child";
    return "Yes: " + std::to_string(n) + " children";
}

std::string ServicesSummary(int n) {
    if (n <= 0) return "No: Zero services";
    if (n == 1) return "Yes: One service";
    return "Yes: " + std::to_string(n) + " services";
}

std::string TopmostOr(const std::optional<std::string>& friendlyName) {
    return friendlyName ? *friendlyName : std::string(kTopmostDevice);
}

bool IsKeptManufacturer(const std::string& manufacturerName) {
    return manufacturerName.find("AXIS") != std::string::npos || manufacturerName.find("Vivotek") != std::string::npos;
}

std::string UdnFromUsn(const std::string& usn) { return usn.substr(0, usn.find("::")); }

SortedDevices SortByMaker(const std::vector<DeviceInformationContainer>& found) {
    SortedDevices sorted;
    std::unordered_set<std::string> seen;
    for (const auto& device : found) {
        // A device without a UDN cannot be matched with another sighting.
        if (!device.UniqueDeviceName.empty() && !seen.insert(device.UniqueDeviceName).second) continue;
        (IsKeptManufacturer(device.ManufacturerName) ? sorted.kept : sorted.skipped).push_back(device);
    }
    return sorted;
}
