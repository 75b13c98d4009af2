// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Simulated ONVIF cameras: what each one says in its WS-Discovery answer.

#include <string>
#include <vector>

enum class OnvifCameraFault {
    None,
    Malformed,  // answers with XML cut off in the middle
    Bomb,       // answers with a document declaring nested entities
    Repeat,     // answers every probe three times
    HelloOnly,  // never answers a probe; announces itself by Hello instead
};

struct OnvifCamera {
    std::string endpoint;
    std::vector<std::string> types;  // "{namespace}LocalName"
    std::vector<std::string> scopes;
    std::vector<std::string> xaddrs;
    OnvifCameraFault fault = OnvifCameraFault::None;
};

// `count` distinct cameras, the same for the same count: hardware, name,
// location and Profile/Streaming scopes (names with percent-encoded blanks
// on every third; camera 3 has two name scopes), one XAddr each at
// 127.77.x.y (the box's loopback, where
// their device services listen), except camera 1 (an IPv6 XAddr before its IPv4 one) and camera
// 2 (port 8080). Camera 4, 14, ... hold only the device type, as recorders do.
// `first` numbers the first camera, so devsims on several hosts can run
// distinct cameras.
std::vector<OnvifCamera> GenerateOnvifCameras(int count, int first = 0);

// One camera with a fault mode, after the generated ones.
OnvifCamera FaultyOnvifCamera(OnvifCameraFault fault);

// Whether the camera answers a Probe for these types (every one held).
bool OnvifCameraMatches(const OnvifCamera& camera, const std::vector<std::string>& probedTypes);

// The Hello datagram announcing the camera to the group.
std::string OnvifHello(const OnvifCamera& camera, const std::string& messageId);
// Sent to the group as a camera goes down for a restart.
std::string OnvifBye(const OnvifCamera& camera, const std::string& messageId);

// The ProbeMatches datagram answering the Probe with `relatesTo`.
std::string OnvifProbeMatches(const OnvifCamera& camera, const std::string& relatesTo, const std::string& messageId);
