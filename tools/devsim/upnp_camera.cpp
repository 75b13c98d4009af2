// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/upnp_camera.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <fstream>

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

std::optional<int> ParseCount(std::string_view text) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end || value < 0 || value > kMaxCameraParts) return std::nullopt;
    return value;
}

std::string* TextField(UpnpCamera& camera, std::string_view key) {
    struct Entry {
        std::string_view key;
        std::string UpnpCamera::*field;
    };
    static constexpr Entry kFields[] = {
        {"maker", &UpnpCamera::maker},
        {"name", &UpnpCamera::name},
        {"description", &UpnpCamera::description},
        {"model", &UpnpCamera::model},
        {"number", &UpnpCamera::number},
        {"serial", &UpnpCamera::serial},
        {"udn", &UpnpCamera::udn},
        {"upc", &UpnpCamera::upc},
        {"maker_url", &UpnpCamera::makerUrl},
        {"model_url", &UpnpCamera::modelUrl},
        {"presentation", &UpnpCamera::presentation},
    };
    for (const Entry& entry : kFields) {
        if (entry.key == key) return &(camera.*entry.field);
    }
    return nullptr;
}

void Element(std::string& xml, const char* indent, const char* name, const std::string& value) {
    if (value.empty()) return;
    xml += indent;
    xml += '<';
    xml += name;
    xml += '>';
    xml += XmlEscape(value);
    xml += "</";
    xml += name;
    xml += ">\n";
}

}  // namespace

std::string XmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::optional<UpnpCamera> ParseUpnpCameraLine(std::string_view line, std::string& error) {
    UpnpCamera camera;
    while (!line.empty()) {
        const std::size_t semi = line.find(';');
        const std::string_view pair = Trim(line.substr(0, semi));
        line.remove_prefix(semi == std::string_view::npos ? line.size() : semi + 1);
        if (pair.empty()) continue;
        const std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos) {
            error = "expected key=value, got \"" + std::string(pair) + "\"";
            return std::nullopt;
        }
        const std::string_view key = Trim(pair.substr(0, eq));
        const std::string_view value = Trim(pair.substr(eq + 1));
        if (std::string* field = TextField(camera, key)) {
            *field = value;
        } else if (key == "children" || key == "services") {
            const auto n = ParseCount(value);
            if (!n) {
                error = std::string(key) + " must be 0.." + std::to_string(kMaxCameraParts);
                return std::nullopt;
            }
            (key == "children" ? camera.children : camera.services) = *n;
        } else if (key == "icon") {
            if (value == "gif") {
                camera.icon = CameraIcon::Gif;
            } else if (value == "png") {
                camera.icon = CameraIcon::Png;
            } else if (value == "none") {
                camera.icon = CameraIcon::None;
            } else {
                error = "icon must be gif, png or none";
                return std::nullopt;
            }
        } else {
            error = "unknown key \"" + std::string(key) + "\"";
            return std::nullopt;
        }
    }
    return camera;
}

std::optional<std::vector<UpnpCamera>> LoadUpnpCameraFile(const std::string& path, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read camera file " + path;
        return std::nullopt;
    }
    std::vector<UpnpCamera> cameras;
    std::string line;
    int lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        const std::string_view view = Trim(line);
        if (view.empty() || view.front() == '#') continue;
        std::string reason;
        auto camera = ParseUpnpCameraLine(view, reason);
        if (!camera) {
            error = path + ":" + std::to_string(lineNumber) + ": " + reason;
            return std::nullopt;
        }
        if (camera->udn.empty()) {
            char udn[64];
            std::snprintf(udn, sizeof udn, "uuid:5e1f0c2a-0000-4000-8000-%012d", lineNumber);
            camera->udn = udn;
        }
        cameras.push_back(std::move(*camera));
    }
    return cameras;
}

std::vector<UpnpCamera> GenerateUpnpCameras(int count) {
    std::vector<UpnpCamera> cameras;
    for (int i = 0; i < count; ++i) {
        char buf[96];
        UpnpCamera camera;
        switch (i % 3) {
            case 0:
                camera.maker = "AXIS";
                std::snprintf(buf, sizeof buf, "AXIS KX-211 Network Camera %d", i + 1);
                camera.description = buf;
                std::snprintf(buf, sizeof buf, "AXIS KX-211 - %08X", 0x00408C00 + i);
                camera.name = buf;
                camera.model = "AXIS KX-211";
                break;
            case 1:
                camera.maker = "Vivotek Inc.";
                std::snprintf(buf, sizeof buf, "VK7331 (00:02:D1:00:%02X:%02X)", (i >> 8) & 0xFF, i & 0xFF);
                camera.name = buf;
                camera.description = "Network Camera";
                camera.model = "VK7331";
                break;
            default:
                camera.maker = "Kestrel Optics";
                std::snprintf(buf, sizeof buf, "KO-900 camera %d", i + 1);
                camera.name = buf;
                camera.description = "Dome camera";
                camera.model = "KO-900";
                break;
        }
        camera.number = "1.0";
        std::snprintf(buf, sizeof buf, "SN%06d", i + 1);
        camera.serial = buf;
        std::snprintf(buf, sizeof buf, "uuid:5e1f0c2a-0001-4000-8000-%012d", i + 1);
        camera.udn = buf;
        // Rows are built from these addresses; nothing is sent there.
        std::snprintf(buf, sizeof buf, "http://198.51.100.%d:%d/", i % 240 + 10, 8000 + i);
        camera.presentation = buf;
        camera.icon = CameraIcon::Gif;
        camera.children = i % 3;
        camera.services = i % 4 + 1;
        cameras.push_back(std::move(camera));
    }
    return cameras;
}

std::string UpnpCameraDescription(const UpnpCamera& camera, const std::string& iconPath) {
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
        "<root xmlns=\"urn:schemas-upnp-org:device-1-0\">\n"
        "  <specVersion><major>1</major><minor>0</minor></specVersion>\n"
        "  <device>\n"
        "    <deviceType>urn:schemas-upnp-org:device:Basic:1</deviceType>\n";
    const char* in = "    ";
    Element(xml, in, "friendlyName", camera.name);
    Element(xml, in, "manufacturer", camera.maker);
    Element(xml, in, "manufacturerURL", camera.makerUrl);
    Element(xml, in, "modelDescription", camera.description);
    Element(xml, in, "modelName", camera.model);
    Element(xml, in, "modelNumber", camera.number);
    Element(xml, in, "modelURL", camera.modelUrl);
    Element(xml, in, "serialNumber", camera.serial);
    Element(xml, in, "UDN", camera.udn);
    Element(xml, in, "UPC", camera.upc);
    Element(xml, in, "presentationURL", camera.presentation);
    if (camera.icon != CameraIcon::None) {
        const bool gif = camera.icon == CameraIcon::Gif;
        xml += "    <iconList><icon>";
        xml += gif ? "<mimetype>image/gif</mimetype>" : "<mimetype>image/png</mimetype>";
        xml += "<width>32</width><height>32</height>";
        xml += gif ? "<depth>8</depth>" : "<depth>24</depth>";
        xml += "<url>" + XmlEscape(iconPath) + "</url></icon></iconList>\n";
    }
    if (camera.services > 0) {
        xml += "    <serviceList>\n";
        for (int s = 1; s <= camera.services; ++s) {
            const std::string n = std::to_string(s);
            xml += "      <service><serviceType>urn:schemas-upnp-org:service:Channel" + n +
                   ":1</serviceType><serviceId>urn:upnp-org:serviceId:Channel" + n + "</serviceId><SCPDURL>/scpd" + n +
                   ".xml</SCPDURL><controlURL>/control" + n + "</controlURL><eventSubURL>/event" + n +
                   "</eventSubURL></service>\n";
        }
        xml += "    </serviceList>\n";
    }
    if (camera.children > 0) {
        xml += "    <deviceList>\n";
        for (int c = 1; c <= camera.children; ++c) {
            const std::string n = std::to_string(c);
            xml +=
                "      <device>\n"
                "        <deviceType>urn:schemas-upnp-org:device:Basic:1</deviceType>\n";
            Element(xml, "        ", "friendlyName", camera.name + " lens " + n);
            Element(xml, "        ", "manufacturer", camera.maker);
            Element(xml, "        ", "modelName", camera.model);
            Element(xml, "        ", "UDN", camera.udn + "-lens" + n);
            xml += "      </device>\n";
        }
        xml += "    </deviceList>\n";
    }
    xml += "  </device>\n</root>\n";
    return xml;
}

std::string GifIcon32() {
    std::string gif = "GIF89a";
    auto le16 = [&gif](int v) {
        gif += static_cast<char>(v & 0xFF);
        gif += static_cast<char>((v >> 8) & 0xFF);
    };
    le16(32);
    le16(32);
    gif += '\x80';  // a global colour table of two entries
    gif += '\0';
    gif += '\0';
    gif += std::string("\x1F\x6F\xB4\xFF\xFF\xFF", 6);
    gif += ',';
    le16(0);
    le16(0);
    le16(32);
    le16(32);
    gif += '\0';

    // LZW with 2-bit pixels: a clear code before every two pixels keeps the
    // code width at 3 bits, so no table needs to be kept.
    constexpr int kClear = 4;
    constexpr int kEnd = 5;
    std::string data;
    unsigned bits = 0;
    int nbits = 0;
    auto put = [&](int code) {
        bits |= static_cast<unsigned>(code) << nbits;
        nbits += 3;
        while (nbits >= 8) {
            data += static_cast<char>(bits & 0xFF);
            bits >>= 8;
            nbits -= 8;
        }
    };
    for (int pair = 0; pair < 32 * 32 / 2; ++pair) {
        put(kClear);
        put(0);
        put(0);
    }
    put(kEnd);
    if (nbits > 0) data += static_cast<char>(bits & 0xFF);

    gif += '\x02';  // minimum code size
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t n = std::min<std::size_t>(255, data.size() - at);
        gif += static_cast<char>(n);
        gif += data.substr(at, n);
    }
    gif += '\0';
    gif += ';';
    return gif;
}
