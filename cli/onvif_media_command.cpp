// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/onvif_media_command.h"

#include <charconv>
#include <cstdio>

#include "cli/onvif_command.h"
#include "cli/onvif_options.h"
#include "onvif/snapshot_fetch.h"
#include "protocol/terminal_text.h"
#include "protocol/whole_file.h"
#include "report/report_json.h"

namespace {

std::string JsonOrNull(const std::optional<std::string>& text) { return text ? JsonString(*text) : "null"; }

// The shortest text that reads back as the number, whatever the locale.
std::string JsonNumber(double value) {
    char text[32];
    const auto [end, error] = std::to_chars(text, text + sizeof text, value);
    return error == std::errc() ? std::string(text, end) : "null";
}

void Say(const std::string& text) { std::fprintf(stderr, "lanvaro-cli onvif: %s\n", TerminalText(text).c_str()); }

// A failed call's exit status, after saying why.
int Failed(const OnvifCallResult& result) {
    Say(result.message.empty() ? std::string("the camera did not answer") : result.message);
    return ExitCodeOf(result.status);
}

// What the JSON leaves out: why an address is missing, or where it points.
void NoteProfiles(const OnvifMedia& media) {
    for (const OnvifMediaProfile& profile : media.profiles) {
        if (!profile.streamNote.empty()) Say("note: profile " + profile.token + ": " + profile.streamNote);
        if (!profile.snapshotNote.empty()) Say("note: profile " + profile.token + ": " + profile.snapshotNote);
    }
}

// Signs in and reads the media service: 0, or the exit status.
int ReadMedia(const OnvifCliOptions& options, OnvifMedia& media, OnvifCredentials& credentials) {
    OnvifDeviceClient client(options.xaddr);
    OnvifDeviceFacts facts;
    if (const int status = ReadOpenFacts(client, facts); status != 0) return status;
    if (const int status = SignInFromOptions(client, options, "onvif", &credentials); status != 0) return status;
    const OnvifCallResult result = ReadOnvifMedia(client, media);
    return result.ok() ? 0 : Failed(result);
}

int RunMedia(const OnvifCliOptions& options) {
    OnvifMedia media;
    OnvifCredentials credentials;
    if (const int status = ReadMedia(options, media, credentials); status != 0) return status;
    NoteProfiles(media);
    std::printf("%s\n", OnvifMediaJson(media).c_str());
    return 0;
}

int RunSnapshot(const OnvifCliOptions& options) {
    OnvifMedia media;
    OnvifCredentials credentials;
    if (const int status = ReadMedia(options, media, credentials); status != 0) return status;
    const OnvifMediaProfile* profile = SnapshotProfile(media, options.profile);
    if (profile == nullptr) {
        Say(options.profile.empty() ? "the camera offers no snapshot" : "the camera has no profile " + options.profile);
        return 1;
    }
    if (!profile->snapshotUri) {
        Say("profile " + profile->token + ": " + profile->snapshotNote);
        return 1;
    }
    const SnapshotResult picture = FetchSnapshot(*profile->snapshotUri, credentials);
    if (!picture.ok()) {
        Say("snapshot of profile " + profile->token + ": " + picture.problem);
        return 1;
    }
    if (const std::string error = WriteWholeFile(options.output, picture.bytes); !error.empty()) {
        Say(error);
        return 1;
    }
    std::printf("%s: %zu bytes, %s\n", TerminalText(options.output).c_str(), picture.bytes.size(),
                picture.type.c_str());
    return 0;
}

}  // namespace

std::string OnvifMediaJson(const OnvifMedia& media) {
    std::string json = "{\"xaddr\": " + JsonString(media.xaddr) + ", \"media_xaddr\": " + JsonString(media.mediaXaddr) +
                       ", \"media\": " + JsonString(OnvifMediaVersionName(media.version)) + ", \"profiles\": [";
    for (std::size_t i = 0; i < media.profiles.size(); ++i) {
        const OnvifMediaProfile& p = media.profiles[i];
        json += std::string(i == 0 ? "" : ", ") + "{\"token\": " + JsonString(p.token) +
                ", \"name\": " + JsonString(p.name) + ", \"encoding\": " + JsonString(p.encoding) +
                ", \"width\": " + std::to_string(p.width) + ", \"height\": " + std::to_string(p.height) +
                ", \"fps\": " + (p.fps ? JsonNumber(*p.fps) : "null") + ", \"stream_uri\": " + JsonOrNull(p.streamUri) +
                ", \"snapshot_uri\": " + JsonOrNull(p.snapshotUri) + "}";
    }
    return json + "]}";
}

int RunOnvifMediaCommand(const std::string& command, const OnvifCliOptions& options) {
    return command == "media" ? RunMedia(options) : RunSnapshot(options);
}
