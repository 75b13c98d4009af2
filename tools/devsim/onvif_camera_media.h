// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A simulated camera's media services: Media at /onvif/media_service and
// (unless it lacks it) Media2 at /onvif/media2_service, two profiles (main
// and sub stream), their stream and snapshot addresses, and the snapshot
// itself (the camera's own picture). No sockets here.

#include <libxml/tree.h>

#include <optional>
#include <string>
#include <string_view>

#include "tools/devsim/onvif_camera_soap.h"

inline constexpr const char* kSimMediaPath = "/onvif/media_service";
inline constexpr const char* kSimMedia2Path = "/onvif/media2_service";
// Where a camera with the inside-address quirk says its services are.
inline constexpr const char* kSimInsideAddress = "203.0.113.254";

// The namespace of the service served at `path` by this camera; nullopt
// when it serves none there.
std::optional<std::string> SimServiceAt(const OnvifSimSettings& camera, std::string_view path);

// GetServices' entries of the media services, and GetCapabilities' Media.
std::string SimMediaServicesXml(const OnvifSimSettings& camera);
std::string SimMediaCapabilityXml(const OnvifSimSettings& camera);

// The answer to a media operation (the request element `request` in the
// namespace `ns`), the caller having checked the sign-in.
OnvifSimAnswer AnswerSimMediaOperation(const std::string& ns, const std::string& operation, const xmlNode* request,
                                       const OnvifSimSettings& camera, const OnvifSimOptions& options);

// Whether the path asks for a snapshot.
bool IsSimSnapshotPath(std::string_view path);

// The picture of the profile the path names (404 for another), the caller
// having checked the sign-in.
OnvifSimAnswer AnswerSimSnapshot(const OnvifSimSettings& camera, std::string_view path);
