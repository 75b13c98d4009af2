// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the simulated UPnP cameras read and say on SSDP: a control point's
// M-SEARCH and a camera's answer to it.

#include <optional>
#include <string>
#include <string_view>

struct MSearchRequest {
    std::string searchTarget;  // ST
    int mxSeconds = 0;
};

// Largest MX a camera honours; a real device caps at 120 s, a simulated one
// need not keep answers pending that long.
inline constexpr int kMaxCameraMx = 5;

// An "M-SEARCH * HTTP/1.1" with MAN "ssdp:discover", an ST and an MX of at
// least 1 (capped at kMaxCameraMx); anything else is nullopt.
std::optional<MSearchRequest> ParseMSearchRequest(std::string_view datagram);

// Whether a camera with this UDN answers a search for `searchTarget`.
bool CameraAnswers(std::string_view searchTarget, std::string_view udn);

// The unicast answer of a root device to a search it answers.
std::string RootDeviceAnswer(std::string_view searchTarget, std::string_view location, std::string_view udn);
