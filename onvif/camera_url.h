// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The addresses a camera names for its services, streams and pictures: read
// apart, their user info dropped, and moved to the host the camera answered
// from (a camera behind NAT names its inside address, and a host naming
// another's must not steer a password there).

#include <optional>
#include <string>
#include <string_view>

struct CameraUrl {
    std::string scheme;  // lower case: "http", "rtsp"
    std::string host;    // without brackets
    std::string port;    // empty when the URL names none
    std::string rest;    // path, query and fragment, as given
    bool userInfo = false;
};

// "scheme://[userinfo@]host[:port][/...]"; nullopt for anything else, and
// for text holding a blank or a control character.
std::optional<CameraUrl> ParseCameraUrl(std::string_view text);

// The URL as text, without any user info.
std::string CameraUrlText(const CameraUrl& url);

// Whether two hosts are one (names compared ignoring case).
bool SameCameraHost(std::string_view a, std::string_view b);

// The URL at `host`, its port and path kept (and its user info dropped).
std::string AtAnsweringHost(CameraUrl url, const std::string& host);
