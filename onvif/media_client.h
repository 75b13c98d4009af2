// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The media service of a camera, through its signed-in device client: where
// the service is (Media2 preferred, else Media), the profiles, and each
// profile's stream and snapshot address. Blocking; call it off the window
// thread.

#include <string>
#include <vector>

#include "onvif/device_client.h"
#include "onvif/media_answers.h"

struct OnvifMedia {
    std::string xaddr;       // the device service
    std::string mediaXaddr;  // where the media service was called: at the host the camera answered from
    OnvifMediaVersion version = OnvifMediaVersion::Media;
    std::vector<OnvifMediaProfile> profiles;
    std::optional<OnvifAuthMethod> auth;  // how the calls were signed
};

inline constexpr const char* kSnapshotNotOffered = "snapshot not offered";

// Signed as `client` signed in (call its SignIn first). Ok once GetProfiles
// answered: a profile whose stream or snapshot address the camera refused
// says so in its note, and the rest still come. NoService when the camera
// lists no media service. Addresses come without user info; the media
// service and the snapshots are called at the host the device service
// answered from, port and path kept.
OnvifCallResult ReadOnvifMedia(OnvifDeviceClient& client, OnvifMedia& media);

// The first profile with a snapshot address, or the one of `token`; nullptr when there is none.
const OnvifMediaProfile* SnapshotProfile(const OnvifMedia& media, const std::string& token = {});
