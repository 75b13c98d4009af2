// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/upnp_camera_ssdp.h"

#include <algorithm>
#include <cctype>
#include <charconv>

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::optional<MSearchRequest> ParseMSearchRequest(std::string_view datagram) {
    std::string_view man, st, mx;
    bool first = true;
    for (int line = 0; line < 64 && !datagram.empty(); ++line) {
        const std::size_t end = datagram.find('\n');
        const std::string_view text = Trim(datagram.substr(0, end));
        datagram.remove_prefix(end == std::string_view::npos ? datagram.size() : end + 1);
        if (first) {
            if (text != "M-SEARCH * HTTP/1.1") return std::nullopt;
            first = false;
            continue;
        }
        if (text.empty()) break;
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = Trim(text.substr(0, colon));
        const std::string_view value = Trim(text.substr(colon + 1));
        if (SameLetters(name, "MAN"))
            man = value;
        else if (SameLetters(name, "ST"))
            st = value;
        else if (SameLetters(name, "MX"))
            mx = value;
    }
    if (first || man != "\"ssdp:discover\"" || st.empty()) return std::nullopt;
    int seconds = 0;
    const auto [ptr, ec] = std::from_chars(mx.data(), mx.data() + mx.size(), seconds);
    if (mx.empty() || ec != std::errc() || ptr != mx.data() + mx.size() || seconds < 1) return std::nullopt;
    return MSearchRequest{std::string(st), std::min(seconds, kMaxCameraMx)};
}

bool CameraAnswers(std::string_view searchTarget, std::string_view udn) {
    return searchTarget == "ssdp:all" || searchTarget == "upnp:rootdevice" || searchTarget == udn;
}

std::string RootDeviceAnswer(std::string_view searchTarget, std::string_view location, std::string_view udn) {
    // A search for the device itself is answered in its own terms, every
    // other one as the root device.
    const bool byUdn = searchTarget == udn;
    std::string answer = "HTTP/1.1 200 OK\r\nCACHE-CONTROL: max-age=1800\r\nEXT:\r\nLOCATION: ";
    answer += location;
    answer += "\r\nSERVER: Linux/6.1 UPnP/1.0 lanvaro-devsim/1.0\r\nST: ";
    answer += byUdn ? udn : std::string_view("upnp:rootdevice");
    answer += "\r\nUSN: ";
    answer += udn;
    if (!byUdn) answer += "::upnp:rootdevice";
    answer += "\r\n\r\n";
    return answer;
}
