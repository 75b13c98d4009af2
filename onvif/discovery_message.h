// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads one WS-Discovery datagram: the devices of a ProbeMatches or a Hello,
// and the endpoint a Bye names, in the 2005/04 or the 2009/01 version of the
// protocol.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/onvif_device_info.h"

namespace wsd {
inline constexpr std::string_view kDiscovery2005 = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
inline constexpr std::string_view kDiscovery2009 = "http://docs.oasis-open.org/ws-dd/ns/discovery/2009/01";
inline constexpr std::string_view kAddressing2004 = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
inline constexpr std::string_view kAddressing2005 = "http://www.w3.org/2005/08/addressing";
inline constexpr std::string_view kSoap12 = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr std::string_view kSoap11 = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kNetworkWsdl = "http://www.onvif.org/ver10/network/wsdl";
inline constexpr std::string_view kDeviceWsdl = "http://www.onvif.org/ver10/device/wsdl";
}  // namespace wsd

enum class DiscoveryKind {
    ProbeMatches,
    Hello,
    Other,      // a well-formed SOAP message of another kind (a Probe, a Bye...)
    Malformed,  // anything else
};

// Whatever one datagram says, what is kept of it fits in this: real
// answers hold a handful of matches of a few hundred bytes each.
inline constexpr std::size_t kMaxDatagramTextBytes = 1024 * 1024;

struct DiscoveryEntry {
    OnvifDeviceInfo device;    // answeredFrom and xaddr are left empty
    bool statesTypes = false;  // its Types named a type, kept or dropped
    bool cut = false;          // an item or text was dropped for the bounds
};

struct DiscoveryMessage {
    DiscoveryKind kind = DiscoveryKind::Malformed;
    // Every match of a ProbeMatches, or the one device of a Hello or a Bye
    // (only its endpoint reference counts there), in document order.
    std::vector<DiscoveryEntry> entries;
    // Matches past kMaxDatagramTextBytes, not read.
    int entriesNotRead = 0;
    // The MessageID of the Probe a ProbeMatches answers; empty without one.
    std::string relatesTo;
    // For Other: the body element's name; for Malformed: why, in one line.
    std::string detail;
    // What the XML parser said of a document it read all the same.
    std::string parserNote;
};

DiscoveryMessage ParseDiscoveryMessage(std::string_view datagram);

// Whether the types hold the ONVIF NetworkVideoTransmitter or Device type.
bool HoldsOnvifType(const std::vector<std::string>& types);

// Text held by a device's fields, the measure of the search-wide bound.
std::size_t OnvifTextBytes(const OnvifDeviceInfo& device);
