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

std::vector<DeviceInformationContainer> KeptDevices(const std::vector<DeviceInformationContainer>& found) {
    std::vector<DeviceInformationContainer> kept;
    std::unordered_set<std::string> seen;
    for (const auto& device : found) {
        if (!IsKeptManufacturer(device.ManufacturerName)) continue;
        // A device without a UDN cannot be matched with another sighting.
        if (!device.UniqueDeviceName.empty() && !seen.insert(device.UniqueDeviceName).second) continue;
        kept.push_back(device);
    }
    return kept;
}

std::vector<DeviceInformationContainer> SkippedDevices(const std::vector<DeviceInformationContainer>& found) {
    std::vector<DeviceInformationContainer> skipped;
    std::unordered_set<std::string> seen;
    for (const auto& device : found) {
        if (IsKeptManufacturer(device.ManufacturerName)) continue;
        if (!device.UniqueDeviceName.empty() && !seen.insert(device.UniqueDeviceName).second) continue;
        skipped.push_back(device);
    }
    return skipped;
}
