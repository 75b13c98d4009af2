// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The WS-Discovery 2005/04 Probe this system sends, and the reading of a
// Probe as a device does (the simulated cameras use it).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "urn:uuid:" and a random (version 4) UUID, different for every call.
std::string NewMessageId();

// A SOAP 1.2 Probe for devices holding the one type `type`, given as
// "{namespace}LocalName".
std::string BuildProbe(const std::string& messageId, const std::string& type);

// The two types an ONVIF search probes for, one Probe each: a device only
// matches a Probe when it holds every type the Probe lists.
extern const char* const kOnvifProbeTypes[2];

struct ProbeRequest {
    std::string messageId;
    std::vector<std::string> types;  // "{namespace}LocalName" where the prefix resolves
};

// A Probe of either discovery version; nullopt for anything else.
std::optional<ProbeRequest> ParseProbe(std::string_view datagram);
