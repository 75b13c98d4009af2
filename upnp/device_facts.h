// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How the raw facts a device description gives become the texts of its
// DeviceInformationContainer, and which devices a search keeps. Plain C++,
// so the rules are checked without a network.

#include <optional>
#include <string>
#include <vector>

#include "protocol/device_information_container.h"

// Written for a device that has no parent (and so is its own root).
inline constexpr const char* kTopmostDevice = "This is a topmost device";

std::string YesNo(bool value);

// n < 0 (count unknown) counts as zero.
std::string ChildrenSummary(int n);
std::string ServicesSummary(int n);

// The parent's or root's friendly name; a device without one is topmost.
std::string TopmostOr(const std::optional<std::string>& friendlyName);

// "AXIS", or else "Vivotek", anywhere in the maker text, exact case.
bool IsKeptManufacturer(const std::string& manufacturerName);

// The device part of an SSDP unique service name ("uuid:x::upnp:rootdevice"
// → "uuid:x"); a name without "::" is the device's own.
std::string UdnFromUsn(const std::string& usn);

// What a search found, each device once by its UDN (a device met again on
// another interface is the same), in the order found: the kept makers'
// devices, and the others, which the search report lists as skipped.
struct SortedDevices {
    std::vector<DeviceInformationContainer> kept;
    std::vector<DeviceInformationContainer> skipped;
};
SortedDevices SortByMaker(const std::vector<DeviceInformationContainer>& found);
