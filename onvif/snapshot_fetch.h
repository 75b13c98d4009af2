// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One picture from a camera's snapshot URI: HTTP GET with the camera's
// credentials by HTTP Digest (Basic only over https), no proxy, no
// redirect, bounded in time and size. Blocking; call it off the window
// thread.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "onvif/device_client.h"

inline constexpr std::size_t kMaxSnapshotBytes = 8 * 1024 * 1024;
inline constexpr std::chrono::milliseconds kSnapshotTimeout{5000};

struct SnapshotResult {
    std::string bytes;            // the picture, only when it is one
    std::string type;             // "image/jpeg" or "image/png"
    std::string problem;          // one line for the user when there is no picture
    bool passwordWanted = false;  // the camera asked for one and none was given
    bool ok() const { return !bytes.empty(); }
};

// "image/jpeg" or "image/png" when the bytes begin as one, whatever a
// content type said; nullopt otherwise.
std::optional<std::string> PictureType(std::string_view bytes);

// Fetches `uri` (http or https; anything else is reported, not fetched).
// Without credentials nothing is signed. The caller has put the answering
// host in place of any other the camera named.
SnapshotResult FetchSnapshot(const std::string& uri, const std::optional<OnvifCredentials>& credentials,
                             std::chrono::milliseconds timeout = kSnapshotTimeout);
