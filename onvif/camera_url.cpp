// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/camera_url.h"

#include <algorithm>
#include <cctype>

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool IsSchemeChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '+' || c == '-' || c == '.';
}

}  // namespace

std::optional<CameraUrl> ParseCameraUrl(std::string_view text) {
    // A blank or control character in a URL would end it, or a header line,
    // wherever it is handed on.
    if (std::any_of(text.begin(), text.end(), [](char c) {
            const auto byte = static_cast<unsigned char>(c);
            return byte <= 0x20 || byte == 0x7F;
        }))
        return std::nullopt;
    const std::size_t schemeEnd = text.find("://");
    if (schemeEnd == std::string_view::npos || schemeEnd == 0 ||
        std::isalpha(static_cast<unsigned char>(text.front())) == 0 ||
        !std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(schemeEnd), IsSchemeChar))
        return std::nullopt;
    CameraUrl url;
    for (char c : text.substr(0, schemeEnd)) url.scheme += Lower(c);
    std::string_view rest = text.substr(schemeEnd + 3);
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    url.rest = std::string(rest.substr(authorityEnd));
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        url.userInfo = true;
        authority.remove_prefix(at + 1);
    }
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        url.host = std::string(authority.substr(1, close - 1));
        const std::string_view after = authority.substr(close + 1);
        if (!after.empty() && after.front() != ':') return std::nullopt;
        if (!after.empty()) port = after.substr(1);
    } else {
        const std::size_t colon = authority.find(':');
        url.host = std::string(authority.substr(0, colon));
        if (colon != std::string_view::npos) port = authority.substr(colon + 1);
    }
    if (url.host.empty() || port.size() > 5 ||
        !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    url.port = std::string(port);
    return url;
}

std::string CameraUrlText(const CameraUrl& url) {
    const bool ipv6 = url.host.find(':') != std::string::npos;
    return url.scheme + "://" + (ipv6 ? "[" + url.host + "]" : url.host) + (url.port.empty() ? "" : ":" + url.port) +
           url.rest;
}

bool SameCameraHost(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string AtAnsweringHost(CameraUrl url, const std::string& host) {
    url.host = host;
    return CameraUrlText(url);
}
