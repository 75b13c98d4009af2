// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/media_client.h"

#include "onvif/camera_url.h"
#include "onvif/soap_request.h"

namespace {

using namespace onvif_ns;

constexpr std::string_view kMediaName = "media";

const char* Prefix(OnvifMediaVersion version) { return version == OnvifMediaVersion::Media ? "trt" : "tr2"; }
const char* Ns(OnvifMediaVersion version) { return version == OnvifMediaVersion::Media ? kMedia : kMedia2; }

// A request element of the media service, declaring its own prefix (the
// envelope declares the device's and the schema's only).
std::string Request(OnvifMediaVersion version, const std::string& operation, const std::string& content) {
    const std::string p = Prefix(version);
    return "<" + p + ":" + operation + " xmlns:" + p + "=\"" + Ns(version) + "\">" + content + "</" + p + ":" +
           operation + ">";
}

std::string Element(OnvifMediaVersion version, const char* name, const std::string& text) {
    const std::string p = Prefix(version);
    return "<" + p + ":" + name + ">" + EscapeXmlText(text) + "</" + p + ":" + name + ">";
}

std::string StreamUriBody(OnvifMediaVersion version, const std::string& token) {
    if (version == OnvifMediaVersion::Media2)
        return Request(version, "GetStreamUri",
                       Element(version, "Protocol", "RtspUnicast") + Element(version, "ProfileToken", token));
    return Request(version, "GetStreamUri",
                   "<trt:StreamSetup><tt:Stream>RTP-Unicast</tt:Stream><tt:Transport><tt:Protocol>RTSP</tt:Protocol>"
                   "</tt:Transport></trt:StreamSetup>" +
                       Element(version, "ProfileToken", token));
}

// The services the camera lists: GetServices, else GetCapabilities (as the
// device client reads them).
OnvifCallResult ReadServices(OnvifDeviceClient& client, std::vector<OnvifServiceAddress>& services) {
    const OnvifCallResult listed =
        client.CallService({client.xaddr(), kDevice, "device", "GetServices",
                            "<tds:GetServices><tds:IncludeCapability>false</tds:IncludeCapability></tds:GetServices>"},
                           [&](std::string_view bytes) { return ReadServicesAnswer(bytes, services); });
    if (listed.ok() || listed.status == OnvifCallStatus::SignInRefused) return listed;
    return client.CallService({client.xaddr(), kDevice, "device", "GetCapabilities",
                               "<tds:GetCapabilities><tds:Category>Media</tds:Category></tds:GetCapabilities>"},
                              [&](std::string_view bytes) { return ReadCapabilitiesAnswer(bytes, services); });
}

// Where the service of this version answers, at the camera's answering
// host; empty when the camera lists none usable.
std::string ServiceXaddr(const std::vector<OnvifServiceAddress>& services, OnvifMediaVersion version,
                         const std::string& answeringHost) {
    for (const OnvifServiceAddress& service : services) {
        if (service.ns != Ns(version)) continue;
        const auto url = ParseCameraUrl(service.xaddr);
        if (!url || (url->scheme != "http" && url->scheme != "https")) continue;
        return AtAnsweringHost(*url, answeringHost);
    }
    return {};
}

struct MediaCalls {
    OnvifDeviceClient& client;
    const std::string& xaddr;
    OnvifMediaVersion version;

    OnvifCallResult Ask(std::string_view operation, const std::string& body,
                        const std::function<SoapAnswer(std::string_view)>& read) const {
        return client.CallService({xaddr, Ns(version), kMediaName, operation, body}, read);
    }

    OnvifCallResult Uri(std::string_view operation, const std::string& body, std::string& uri) const {
        return Ask(operation, body,
                   [&](std::string_view bytes) { return ReadMediaUriAnswer(bytes, version, operation, uri); });
    }
};

// A stream address is shown as the camera gave it (a recorder may need just
// that one), without its user info, with a note where it names another host.
void TakeStreamUri(OnvifMediaProfile& profile, const std::string& given, const std::string& answeringHost) {
    const auto url = ParseCameraUrl(given);
    if (!url) {
        profile.streamNote = "the camera's stream address is no URL";
        return;
    }
    profile.streamUri = CameraUrlText(*url);
    if (!SameCameraHost(url->host, answeringHost))
        profile.streamNote = "the camera names " + url->host + "; it answered from " + answeringHost;
}

// A picture is fetched from the host that answered, never from one the
// camera merely names: the password's Digest answer goes there.
void TakeSnapshotUri(OnvifMediaProfile& profile, const std::string& given, const std::string& answeringHost) {
    const auto url = ParseCameraUrl(given);
    if (!url) {
        profile.snapshotNote = "the camera's snapshot address is no URL";
        return;
    }
    const bool web = url->scheme == "http" || url->scheme == "https";
    profile.snapshotUri = web ? AtAnsweringHost(*url, answeringHost) : CameraUrlText(*url);
}

}  // namespace

OnvifCallResult ReadOnvifMedia(OnvifDeviceClient& client, OnvifMedia& media) {
    media = OnvifMedia{};
    media.xaddr = client.xaddr();
    media.auth = client.SignedInAs();
    const std::string answeringHost = OnvifXaddrHost(client.xaddr());
    std::vector<OnvifServiceAddress> services;
    const OnvifCallResult listed = ReadServices(client, services);
    if (!listed.ok() && listed.status != OnvifCallStatus::Refused) return listed;

    OnvifCallResult result{OnvifCallStatus::NoService, "The camera at " + client.xaddr() + " offers no media service."};
    for (const OnvifMediaVersion version : {OnvifMediaVersion::Media2, OnvifMediaVersion::Media}) {
        const std::string xaddr = ServiceXaddr(services, version, answeringHost);
        if (xaddr.empty()) continue;
        const MediaCalls calls{client, xaddr, version};
        std::vector<OnvifMediaProfile> profiles;
        const std::string body = version == OnvifMediaVersion::Media2
                                     ? Request(version, "GetProfiles", Element(version, "Type", "All"))
                                     : Request(version, "GetProfiles", "");
        result = calls.Ask("GetProfiles", body,
                           [&](std::string_view bytes) { return ReadProfilesAnswer(bytes, version, profiles); });
        // A camera that lists Media2 but fails it may still serve Media.
        if (!result.ok() && result.status != OnvifCallStatus::SignInRefused) continue;
        if (!result.ok()) return result;
        media.mediaXaddr = xaddr;
        media.version = version;
        bool answering = true;
        for (OnvifMediaProfile& profile : profiles) {
            if (!answering) {
                profile.streamNote = profile.snapshotNote = "the camera stopped answering";
                continue;
            }
            std::string uri;
            const OnvifCallResult stream = calls.Uri("GetStreamUri", StreamUriBody(version, profile.token), uri);
            if (stream.ok())
                TakeStreamUri(profile, uri, answeringHost);
            else
                profile.streamNote = "no stream address: " + stream.message;
            uri.clear();
            const OnvifCallResult snapshot =
                calls.Uri("GetSnapshotUri",
                          Request(version, "GetSnapshotUri", Element(version, "ProfileToken", profile.token)), uri);
            if (snapshot.ok())
                TakeSnapshotUri(profile, uri, answeringHost);
            else
                profile.snapshotNote = snapshot.status == OnvifCallStatus::Refused
                                           ? std::string(kSnapshotNotOffered)
                                           : "no snapshot address: " + snapshot.message;
            // Each further call would wait out its own time limit.
            answering = stream.status != OnvifCallStatus::NoService && snapshot.status != OnvifCallStatus::NoService;
        }
        media.profiles = std::move(profiles);
        return result;
    }
    return result;
}

const OnvifMediaProfile* SnapshotProfile(const OnvifMedia& media, const std::string& token) {
    for (const OnvifMediaProfile& profile : media.profiles)
        if (token.empty() ? profile.snapshotUri.has_value() : profile.token == token) return &profile;
    return nullptr;
}
