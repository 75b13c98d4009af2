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
};
