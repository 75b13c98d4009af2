// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/ssdp_message.h"

#include <algorithm>
#include <cctype>

#include "upnp/device_facts.h"

namespace {

// Real answers are a few hundred bytes; a field longer than this is no
// device's, and the whole answer is dropped rather than cut.
constexpr std::size_t kMaxFieldLength = 1024;
constexpr int kMaxLines = 64;

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

bool Printable(std::string_view text) {
    return std::none_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

}  // namespace

std::string BuildMSearch(std::string_view searchTarget, unsigned mxSeconds, std::string_view host) {
    std::string message = "M-SEARCH * HTTP/1.1\r\nHOST: ";
    message += host.empty() ? std::string_view(ssdp::kGroup) : host;
    message += ':' + std::to_string(ssdp::kPort) + "\r\nMAN: \"ssdp:discover\"\r\nMX: " + std::to_string(mxSeconds) +
               "\r\nST: ";
    message += searchTarget;
    message += "\r\n\r\n";
    return message;
}

std::optional<SsdpSearchAnswer> ParseRootDeviceAnswer(std::string_view datagram) {
    std::string_view st, usn, location;
    bool first = true;
    for (int line = 0; line < kMaxLines && !datagram.empty(); ++line) {
        const std::size_t end = datagram.find('\n');
        const std::string_view text = Trim(datagram.substr(0, end));
        datagram.remove_prefix(end == std::string_view::npos ? datagram.size() : end + 1);
        if (first) {
            // "HTTP/1.1 200 OK"; the reason phrase varies between stacks.
            if (text.substr(0, 9) != "HTTP/1.1 " && text.substr(0, 9) != "HTTP/1.0 ") return std::nullopt;
            if (text.substr(9, 3) != "200") return std::nullopt;
            first = false;
            continue;
        }
        if (text.empty()) break;
        const std::size_t colon = text.find(':');
        if (colon == std::string_view::npos) continue;
        const std::string_view name = Trim(text.substr(0, colon));
        const std::string_view value = Trim(text.substr(colon + 1));
        if (SameLetters(name, "ST"))
            st = value;
        else if (SameLetters(name, "USN"))
            usn = value;
        else if (SameLetters(name, "LOCATION"))
            location = value;
    }
    if (first || st != ssdp::kRootDevice) return std::nullopt;
    for (const std::string_view field : {usn, location}) {
        if (field.empty() || field.size() > kMaxFieldLength || !Printable(field)) return std::nullopt;
    }
    if (usn.substr(0, 5) != "uuid:" || usn.size() <= 5) return std::nullopt;
    if (!SameLetters(location.substr(0, 7), "http://")) return std::nullopt;
    SsdpSearchAnswer answer;
    answer.usn = usn;
    answer.udn = UdnFromUsn(answer.usn);
    answer.location = location;
    if (answer.udn.size() <= 5) return std::nullopt;
    return answer;
}
