// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two SSDP messages a root-device search exchanges: the M-SEARCH this
// host multicasts, and a device's unicast answer to it. Plain text over UDP
// from any host on the network, so the reader bounds what it keeps.

#include <optional>
#include <string>
#include <string_view>

namespace ssdp {
inline constexpr const char* kGroup = "239.255.255.250";
inline constexpr unsigned short kPort = 1900;
inline constexpr const char* kRootDevice = "upnp:rootdevice";
}  // namespace ssdp

// An M-SEARCH for `searchTarget` with the given MX, to the group or, by
// unicast, to the host `host` (its address as text).
std::string BuildMSearch(std::string_view searchTarget, unsigned mxSeconds, std::string_view host = {});

struct SsdpSearchAnswer {
    std::string usn;       // "uuid:...::upnp:rootdevice"
    std::string udn;       // "uuid:..."
    std::string location;  // the description's http URL
};

// A root device's answer: "HTTP/1.1 200 OK" with ST upnp:rootdevice, a USN
// naming a uuid and an http LOCATION. Anything else (another search
// target, a NOTIFY, another host's M-SEARCH, missing or oversized fields,
// control characters in a kept field) is nullopt.
std::optional<SsdpSearchAnswer> ParseRootDeviceAnswer(std::string_view datagram);
