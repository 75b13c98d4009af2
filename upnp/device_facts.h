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

// The devices a search keeps, in the order found: kept makers only, and a
// device met again (on another interface) only once, by its UDN.
std::vector<DeviceInformationContainer> KeptDevices(const std::vector<DeviceInformationContainer>& found);
// The others, each once by its UDN, in the order found: what the search report
// lists as answered but skipped.
std::vector<DeviceInformationContainer> SkippedDevices(const std::vector<DeviceInformationContainer>& found);
