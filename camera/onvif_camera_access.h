// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window asks of an ONVIF camera, one blocking call per question,
// each signing in first. Calls may come from several threads at once. The window calls it off its own thread; tests
// give a fake in its place.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "onvif/device_client.h"
#include "onvif/media_client.h"
#include "onvif/snapshot_fetch.h"

class OnvifCameraAccess {
public:
    virtual ~OnvifCameraAccess() = default;
    // The public facts, then, signed in with the credentials (or without,
    // where the camera allows it), the rest.
    virtual OnvifCallResult ReadFacts(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                                      OnvifDeviceFacts& facts) = 0;
    virtual OnvifCallResult SyncTime(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                                     double& newOffsetSeconds) = 0;
    virtual OnvifNetworkOutcome ApplyNetworkChange(const std::string& xaddr,
                                                   const std::optional<OnvifCredentials>& credentials,
                                                   const OnvifNetworkChange& change) = 0;
    // The steps ApplyNetworkChange left for the camera's new address, sent
    // there once it answers (OnvifDeviceClient::FinishNetworkChange).
    virtual OnvifNetworkOutcome FinishNetworkChange(const std::string& xaddr,
                                                    const std::optional<OnvifCredentials>& credentials,
                                                    const OnvifNetworkChange& change,
                                                    const std::vector<std::string>& steps) = 0;
    virtual OnvifCallResult Reboot(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials) = 0;
    // Signed in with the credentials: `user`'s new password, at the level
    // GetUsers listed (OnvifDeviceClient::SetPassword).
    virtual OnvifCallResult SetPassword(const std::string& xaddr, const OnvifCredentials& credentials,
                                        const std::string& user, const std::string& newPassword) = 0;
    // Signed in with the credentials (or without, where the camera allows
    // it): the media service's profiles and their addresses.
    virtual OnvifCallResult ReadMedia(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                                      OnvifMedia& media) = 0;
    // One picture from a snapshot address that ReadMedia gave.
    virtual SnapshotResult FetchPicture(const std::string& uri, const std::optional<OnvifCredentials>& credentials) = 0;
};

// The device service client behind the interface.
std::unique_ptr<OnvifCameraAccess> MakeOnvifDeviceAccess();
