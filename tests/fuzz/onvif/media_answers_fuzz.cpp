// SPDX-License-Identifier: GPL-3.0-or-later
// Any HTTP body a camera's media service sends back: every reader takes it,
// what a reader calls a response never carries a problem, the lists stay
// bounded, and no address read keeps its user info.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "onvif/camera_url.h"
#include "onvif/media_answers.h"

namespace {

void Check(const SoapAnswer& answer) {
    if (answer.kind == SoapAnswerKind::Response && !answer.problem.empty()) __builtin_trap();
    if (answer.kind != SoapAnswerKind::Response && answer.problem.empty()) __builtin_trap();
}

// A URL as the client hands it out: no '@' before its path, no blank or control character.
void CheckAddress(const std::string& uri) {
    const auto url = ParseCameraUrl(uri);
    if (!url) return;
    const std::string text = AtAnsweringHost(*url, "198.51.100.7");
    const std::string_view authority = std::string_view(text).substr(0, text.size() - url->rest.size());
    if (authority.find('@') != std::string_view::npos) __builtin_trap();
    for (const char c : text)
        if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    std::vector<OnvifServiceAddress> services;
    Check(ReadServicesAnswer(body, services));
    if (services.size() > 64) __builtin_trap();
    for (const OnvifServiceAddress& service : services) CheckAddress(service.xaddr);
    Check(ReadCapabilitiesAnswer(body, services));
    for (const OnvifMediaVersion version : {OnvifMediaVersion::Media, OnvifMediaVersion::Media2}) {
        std::vector<OnvifMediaProfile> profiles;
        Check(ReadProfilesAnswer(body, version, profiles));
        if (profiles.size() > 64) __builtin_trap();
        for (const char* operation : {"GetStreamUri", "GetSnapshotUri"}) {
            std::string uri;
            Check(ReadMediaUriAnswer(body, version, operation, uri));
            CheckAddress(uri);
        }
    }
    return 0;
}
