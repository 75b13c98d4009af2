// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/media_answers.h"

#include <charconv>

#include "onvif/soap_request.h"
#include "onvif/xml_reader.h"

namespace {

using namespace onvif_ns;

// Real cameras list a handful of services and profiles; a flood of them
// stays within bounds.
constexpr std::size_t kMaxItems = 64;
// Texts beyond this are no token, name or URI of a real camera.
constexpr std::size_t kMaxText = 2048;

std::string Trimmed(const xmlNode* node) {
    const std::string text = XmlText(node);
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

// A name or token, cut to a length a real camera never reaches.
std::string Text(const xmlNode* node) {
    std::string text = Trimmed(node);
    if (text.size() > kMaxText) text.resize(kMaxText);
    return text;
}

std::string ChildText(const xmlNode* parent, const char* ns, const char* name) {
    return Text(XmlChild(parent, ns, name));
}

std::vector<const xmlNode*> Children(const xmlNode* parent, const char* ns, const char* name) {
    std::vector<const xmlNode*> found;
    if (parent == nullptr) return found;
    for (const xmlNode* child = parent->children; child != nullptr && found.size() < kMaxItems; child = child->next)
        if (IsXmlElement(child, ns, name)) found.push_back(child);
    return found;
}

std::string Attribute(const xmlNode* node, const char* name) {
    xmlChar* value = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>(name));
    if (value == nullptr) return {};
    std::string text(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return text.size() > kMaxText ? text.substr(0, kMaxText) : text;
}

// A whole number within bounds, else 0.
int Dimension(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size() && value > 0 && value <= 100000 ? value : 0;
}

std::optional<double> FrameRate(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !(value > 0) || value > 1000) return std::nullopt;
    return value;
}

// The video encoder of a profile: Media names it in the schema's namespace,
// Media2 among the profile's Configurations in its own; its content is the
// schema's in both.
const xmlNode* VideoEncoder(const xmlNode* profile, OnvifMediaVersion version) {
    if (version == OnvifMediaVersion::Media) return XmlChild(profile, kSchema, "VideoEncoderConfiguration");
    return XmlChild(XmlChild(profile, kMedia2, "Configurations"), kMedia2, "VideoEncoder");
}

const char* MediaNs(OnvifMediaVersion version) { return version == OnvifMediaVersion::Media ? kMedia : kMedia2; }

}  // namespace

const char* OnvifMediaVersionName(OnvifMediaVersion version) {
    return version == OnvifMediaVersion::Media ? "media" : "media2";
}

SoapAnswer ReadServicesAnswer(std::string_view bytes, std::vector<OnvifServiceAddress>& services) {
    return ReadServiceAnswer(bytes, kDevice, "GetServicesResponse", [&](const xmlNode* response, std::string&) {
        std::vector<OnvifServiceAddress> read;
        for (const xmlNode* service : Children(response, kDevice, "Service")) {
            OnvifServiceAddress address{ChildText(service, kDevice, "Namespace"), ChildText(service, kDevice, "XAddr")};
            if (!address.ns.empty() && !address.xaddr.empty()) read.push_back(std::move(address));
        }
        services = std::move(read);
        return true;
    });
}

SoapAnswer ReadCapabilitiesAnswer(std::string_view bytes, std::vector<OnvifServiceAddress>& services) {
    return ReadServiceAnswer(bytes, kDevice, "GetCapabilitiesResponse", [&](const xmlNode* response, std::string&) {
        const xmlNode* capabilities = XmlChild(response, kDevice, "Capabilities");
        services.clear();
        const std::string media = ChildText(XmlChild(capabilities, kSchema, "Media"), kSchema, "XAddr");
        if (!media.empty()) services.push_back({kMedia, media});
        return true;
    });
}

SoapAnswer ReadProfilesAnswer(std::string_view bytes, OnvifMediaVersion version,
                              std::vector<OnvifMediaProfile>& profiles) {
    const char* ns = MediaNs(version);
    return ReadServiceAnswer(bytes, ns, "GetProfilesResponse", [&](const xmlNode* response, std::string&) {
        std::vector<OnvifMediaProfile> read;
        for (const xmlNode* node : Children(response, ns, "Profiles")) {
            OnvifMediaProfile profile;
            profile.token = Attribute(node, "token");
            // Media2's schema puts Name in its own namespace; cameras also use the schema's.
            profile.name = ChildText(node, kSchema, "Name");
            if (profile.name.empty()) profile.name = ChildText(node, kMedia2, "Name");
            const xmlNode* encoder = VideoEncoder(node, version);
            profile.encoding = ChildText(encoder, kSchema, "Encoding");
            const xmlNode* resolution = XmlChild(encoder, kSchema, "Resolution");
            profile.width = Dimension(ChildText(resolution, kSchema, "Width"));
            profile.height = Dimension(ChildText(resolution, kSchema, "Height"));
            profile.fps = FrameRate(ChildText(XmlChild(encoder, kSchema, "RateControl"), kSchema, "FrameRateLimit"));
            // A profile without a token cannot be asked for its URIs.
            if (!profile.token.empty()) read.push_back(std::move(profile));
        }
        profiles = std::move(read);
        return true;
    });
}

SoapAnswer ReadMediaUriAnswer(std::string_view bytes, OnvifMediaVersion version, std::string_view operation,
                              std::string& uri) {
    const char* ns = MediaNs(version);
    return ReadServiceAnswer(
        bytes, ns, std::string(operation) + "Response", [&](const xmlNode* response, std::string& problem) {
            const xmlNode* node = version == OnvifMediaVersion::Media
                                      ? XmlChild(XmlChild(response, kMedia, "MediaUri"), kSchema, "Uri")
                                      : XmlChild(response, kMedia2, "Uri");
            const std::string text = Trimmed(node);
            // A URI cut short would lead elsewhere.
            if (text.empty() || text.size() > kMaxText) {
                problem = text.empty() ? "no Uri in the answer" : "the Uri is too long";
                return false;
            }
            uri = text;
            return true;
        });
}
