// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the answers that say where a camera's media service is and what
// it streams: bytes in, facts out. Media (ver10) and Media2 (ver20) name the
// same things in different places; elements are matched by namespace URI.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "onvif/device_answers.h"

enum class OnvifMediaVersion { Media, Media2 };

// "media" or "media2".
const char* OnvifMediaVersionName(OnvifMediaVersion version);

// A service the camera lists: its namespace and where it answers.
struct OnvifServiceAddress {
    std::string ns;
    std::string xaddr;
    bool operator==(const OnvifServiceAddress&) const = default;
};

// One media profile: what its video encoder sends and where to get it.
struct OnvifMediaProfile {
    std::string token, name;
    std::string encoding;  // "H264", "H265", "JPEG", ...; empty without a video encoder
    int width = 0, height = 0;
    std::optional<double> fps;
    // The rest is the client's (OnvifMediaClient), not the profile answer's.
    std::optional<std::string> streamUri;    // as the camera gave it, its user info removed
    std::string streamNote;                  // "the camera names X; it answered from Y", or why there is none
    std::optional<std::string> snapshotUri;  // at the host the camera answered from, its user info removed
    std::string snapshotNote;                // why there is none
};

// GetServices: every service with its XAddr (at most 64).
SoapAnswer ReadServicesAnswer(std::string_view bytes, std::vector<OnvifServiceAddress>& services);
// GetCapabilities: the Media capability's XAddr, as the Media namespace's.
SoapAnswer ReadCapabilitiesAnswer(std::string_view bytes, std::vector<OnvifServiceAddress>& services);
// GetProfiles of either version: token, name and the video encoder's
// encoding, resolution and frame rate limit (at most 64 profiles).
SoapAnswer ReadProfilesAnswer(std::string_view bytes, OnvifMediaVersion version,
                              std::vector<OnvifMediaProfile>& profiles);
// GetStreamUri or GetSnapshotUri (`operation`) of either version: the URI.
SoapAnswer ReadMediaUriAnswer(std::string_view bytes, OnvifMediaVersion version, std::string_view operation,
                              std::string& uri);
