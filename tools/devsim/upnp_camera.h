// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Simulated UPnP cameras: what each one says about itself, read from a
// camera file or generated, and the description document it serves.
//
// Camera file: one camera per line, `key=value` pairs separated by ";"
// (values cannot hold ";"); blank lines and lines starting with '#' are
// skipped. Keys:
//   maker, name, description, model, number, serial, udn, upc,
//   maker_url, model_url, presentation   texts of the description
//   icon       gif (a served 32x32 GIF, depth 8), png (a PNG entry only) or none
//   children   number of embedded devices (0..16)
//   services   number of services of the root device (0..16)
// A missing text is left out of the description; a missing udn is made from
// the camera's position in the file.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class CameraIcon { None, Gif, Png };

struct UpnpCamera {
    std::string maker;
    std::string name;
    std::string description;
    std::string model;
    std::string number;
    std::string serial;
    std::string udn;
    std::string upc;
    std::string makerUrl;
    std::string modelUrl;
    std::string presentation;
    CameraIcon icon = CameraIcon::None;
    int children = 0;
    int services = 0;
};

inline constexpr int kMaxCameraParts = 16;

// One camera line; nullopt with a reason for an unknown key, a pair without
// "=", or a count or icon out of range.
std::optional<UpnpCamera> ParseUpnpCameraLine(std::string_view line, std::string& error);

// Every camera of a file, udns filled in; nullopt with a reason naming the line.
std::optional<std::vector<UpnpCamera>> LoadUpnpCameraFile(const std::string& path, std::string& error);

// `count` distinct cameras, the same for the same count: AXIS, Vivotek and
// another maker in turn, each with an icon, children and services.
std::vector<UpnpCamera> GenerateUpnpCameras(int count);

// The camera's device description; `iconPath` is where its icon is served.
std::string UpnpCameraDescription(const UpnpCamera& camera, const std::string& iconPath);

// A 32x32 GIF (one colour), as served for CameraIcon::Gif.
std::string GifIcon32();

// Text made safe for XML character data and attribute values.
std::string XmlEscape(std::string_view text);
