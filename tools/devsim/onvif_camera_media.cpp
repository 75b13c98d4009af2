// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/onvif_camera_media.h"

#include <cctype>
#include <cstdio>
#include <map>
#include <mutex>

#include "onvif/soap_request.h"
#include "onvif/xml_reader.h"
#include "tools/devsim/camera_picture.h"

namespace {

using namespace onvif_ns;

constexpr std::string_view kSnapshotPath = "/onvif/snapshot/";

struct SimProfile {
    const char* token;
    const char* name;
    const char* encoding;
    int width, height, fps;
    int pictureWidth, pictureHeight;  // the snapshot's size
};

constexpr SimProfile kProfiles[] = {
    {"main", "Main stream", "H264", 1920, 1080, 25, 640, 360},
    {"sub", "Sub stream", "H264", 640, 360, 15, 320, 180},
};

const SimProfile* ProfileOf(std::string_view token) {
    for (const SimProfile& profile : kProfiles)
        if (token == profile.token) return &profile;
    return nullptr;
}

// Where the camera says it is: its own address, or the inside address of a
// camera behind NAT.
std::string NamedHost(const OnvifSimSettings& camera) {
    return camera.quirks.insideAddress ? kSimInsideAddress : camera.address;
}

std::string BaseUrl(const OnvifSimSettings& camera) {
    return "http://" + NamedHost(camera) + (camera.port == 80 ? "" : ":" + std::to_string(camera.port));
}

std::string Schema(const char* name, const std::string& value) {
    return std::string("<tt:") + name + ">" + EscapeXmlText(value) + "</tt:" + name + ">";
}

std::string Encoder(const SimProfile& p) {
    return Schema("Name", std::string(p.token) + "-encoder") + Schema("UseCount", "1") +
           Schema("Encoding", p.encoding) + "<tt:Resolution>" + Schema("Width", std::to_string(p.width)) +
           Schema("Height", std::to_string(p.height)) + "</tt:Resolution>" + Schema("Quality", "4") +
           "<tt:RateControl>" + Schema("FrameRateLimit", std::to_string(p.fps)) + Schema("BitrateLimit", "4096") +
           "</tt:RateControl>";
}

std::string ProfilesXml(bool media2) {
    std::string xml;
    for (const SimProfile& p : kProfiles) {
        const std::string token = std::string("token=\"") + p.token + "\" fixed=\"true\"";
        if (media2)
            xml += "<tr2:Profiles " + token + "><tr2:Name>" + p.name +
                   "</tr2:Name><tr2:Configurations><tr2:VideoEncoder token=\"" + p.token + "-encoder\">" + Encoder(p) +
                   "</tr2:VideoEncoder></tr2:Configurations></tr2:Profiles>";
        else
            xml += "<trt:Profiles " + token + ">" + Schema("Name", p.name) + "<tt:VideoEncoderConfiguration token=\"" +
                   p.token + "-encoder\">" + Encoder(p) + "</tt:VideoEncoderConfiguration></trt:Profiles>";
    }
    return xml;
}

// A user or password as a URL's user info holds it.
std::string PercentEncoded(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) != 0 || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", byte);
            out += escaped;
        }
    }
    return out;
}

std::string StreamUri(const SimProfile& profile, const OnvifSimSettings& camera, const OnvifSimOptions& options) {
    if (!options.streamUri.empty() && profile.token == std::string_view("main")) return options.streamUri;
    // Cameras put their own user and password into the address they hand out.
    const std::string user = camera.quirks.streamUserInfo
                                 ? PercentEncoded(options.user) + ":" + PercentEncoded(options.password) + "@"
                                 : std::string();
    return "rtsp://" + user + NamedHost(camera) + ":554/stream/" + profile.token;
}

OnvifSimAnswer Response(bool media2, const std::string& operation, const std::string& content) {
    const std::string p = media2 ? "tr2" : "trt";
    OnvifSimAnswer answer;
    answer.body = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<env:Envelope xmlns:env=\"") + kSoap +
                  "\" xmlns:tt=\"" + kSchema + "\" xmlns:" + p + "=\"" + (media2 ? kMedia2 : kMedia) +
                  "\"><env:Body><" + p + ":" + operation + "Response>" + content + "</" + p + ":" + operation +
                  "Response></env:Body></env:Envelope>";
    return answer;
}

// The pictures are made once per camera and size: a wall asks for them again and again.
std::string PictureOf(int number, int width, int height) {
    static std::mutex mutex;
    static std::map<std::tuple<int, int, int>, std::string> made;
    std::lock_guard lock(mutex);
    std::string& picture = made[{number, width, height}];
    if (picture.empty()) picture = CameraPictureJpeg(number, width, height);
    return picture;
}

}  // namespace

std::optional<std::string> SimServiceAt(const OnvifSimSettings& camera, std::string_view path) {
    if (path == "/onvif/device_service") return std::string(kDevice);
    if (path == kSimMediaPath) return std::string(kMedia);
    if (path == kSimMedia2Path && !camera.quirks.noMedia2) return std::string(kMedia2);
    return std::nullopt;
}

std::string SimMediaServicesXml(const OnvifSimSettings& camera) {
    auto service = [&](const char* ns, const char* path) {
        return std::string("<tds:Service><tds:Namespace>") + ns + "</tds:Namespace><tds:XAddr>" + BaseUrl(camera) +
               path +
               "</tds:XAddr><tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor></tds:Version>"
               "</tds:Service>";
    };
    return service(kMedia, kSimMediaPath) + (camera.quirks.noMedia2 ? "" : service(kMedia2, kSimMedia2Path));
}

std::string SimMediaCapabilityXml(const OnvifSimSettings& camera) {
    return "<tt:Media><tt:XAddr>" + BaseUrl(camera) + kSimMediaPath +
           "</tt:XAddr><tt:StreamingCapabilities><tt:RTPMulticast>false</tt:RTPMulticast><tt:RTP_TCP>true"
           "</tt:RTP_TCP><tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP></tt:StreamingCapabilities></tt:Media>";
}

OnvifSimAnswer AnswerSimMediaOperation(const std::string& ns, const std::string& operation, const xmlNode* request,
                                       const OnvifSimSettings& camera, const OnvifSimOptions& options) {
    const bool media2 = ns == kMedia2;
    if (operation == "GetProfiles") return Response(media2, operation, ProfilesXml(media2));
    if (operation == "GetStreamUri" || operation == "GetSnapshotUri") {
        const std::string token = XmlText(XmlChild(request, ns, "ProfileToken"));
        const SimProfile* profile = ProfileOf(token);
        if (profile == nullptr)
            return OnvifSimFault(400, "env:Sender", {"ter:InvalidArgVal", "ter:NoProfile"},
                                 "The requested profile does not exist.");
        const std::string uri = operation == "GetStreamUri"
                                    ? StreamUri(*profile, camera, options)
                                    : BaseUrl(camera) + std::string(kSnapshotPath) + profile->token + ".jpg";
        const std::string escaped = EscapeXmlText(uri);
        if (media2) return Response(media2, operation, "<tr2:Uri>" + escaped + "</tr2:Uri>");
        return Response(media2, operation,
                        "<trt:MediaUri><tt:Uri>" + escaped +
                            "</tt:Uri><tt:InvalidAfterConnect>false</tt:InvalidAfterConnect><tt:InvalidAfterReboot>"
                            "false</tt:InvalidAfterReboot><tt:Timeout>PT0S</tt:Timeout></trt:MediaUri>");
    }
    return OnvifSimFault(500, "env:Receiver", {"ter:ActionNotSupported"}, "Optional Action Not Implemented");
}

bool IsSimSnapshotPath(std::string_view path) { return path.starts_with(kSnapshotPath); }

OnvifSimAnswer AnswerSimSnapshot(const OnvifSimSettings& camera, std::string_view path) {
    std::string_view name = path.substr(kSnapshotPath.size());
    const SimProfile* profile = name.ends_with(".jpg") ? ProfileOf(name.substr(0, name.size() - 4)) : nullptr;
    OnvifSimAnswer answer;
    answer.operation = "snapshot";
    if (profile == nullptr) {
        answer.status = 404;
        answer.body = "Not Found\n";
        return answer;
    }
    answer.body = PictureOf(camera.number, profile->pictureWidth, profile->pictureHeight);
    // Cameras in the field send their JPEG as anything at all.
    answer.contentType = camera.quirks.octetStreamSnapshot ? "application/octet-stream" : "image/jpeg";
    return answer;
}
