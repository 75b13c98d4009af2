// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one ONVIF device said about itself in its WS-Discovery answers, in the
// order of its detail dialog.

#include <string>
#include <vector>

struct OnvifDeviceInfo {
    // The endpoint reference address ("urn:uuid:..."); the first XAddr when
    // the device sent none.
    std::string endpoint;
    std::vector<std::string> types;  // "{namespace}LocalName", as resolved
    std::vector<std::string> scopes;
    std::vector<std::string> xaddrs;
    std::string metadataVersion;
    std::string answeredFrom;  // "address:port" of the datagram
    // The row's XAddr: its IP and port cells, Browse and every later action
    // use it. Of the http XAddrs with an IPv4 host, the one on the address
    // the answer came from, else the first; empty when there is none.
    std::string xaddr;
};
