// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One SOAP 1.2 POST to a device service, over libcurl (which answers an HTTP
// Digest challenge itself). Blocking, bounded in time and size.

#include <chrono>
#include <optional>
#include <string>

#include "onvif/device_client.h"

inline constexpr std::size_t kMaxSoapAnswerBytes = 1024 * 1024;

struct SoapHttpReply {
    bool connected = false;  // an HTTP answer came back (any status)
    bool sent = false;       // the request went out, answered or not
    bool untrusted = false;  // https: the camera's certificate could not be verified
    long status = 0;
    bool tooLarge = false;
    std::string body;
    std::string error;  // transport failures only
};

// Posts `envelope` with the SOAP 1.2 content type naming `action`. With
// `digest`, a 401 Digest challenge is answered with those credentials.
SoapHttpReply PostSoap(const std::string& url, const std::string& action, const std::string& envelope,
                       const std::optional<OnvifCredentials>& digest, std::chrono::milliseconds timeout);
