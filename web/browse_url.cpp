// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/browse_url.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kDefaultPort = 80;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> SplitLabels(std::string_view s) {
    std::vector<std::string_view> labels;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = s.find('.', start);
        if (dot == std::string_view::npos) {
            labels.push_back(s.substr(start));
            return labels;
        }
        labels.push_back(s.substr(start, dot - start));
        start = dot + 1;
    }
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// Browsers take a host whose last part is a number (decimal or "0x" hex) for
// an IPv4 address in any of its short or octal forms.
bool LooksNumeric(std::string_view label) {
    if (AllDigits(label)) return true;
    if (label.size() < 2 || label[0] != '0' || (label[1] != 'x' && label[1] != 'X')) return false;
    for (char c : label.substr(2))
        if (!IsHexDigit(c)) return false;
    return true;
}

// Value of a run of digits, or -1 past 255.
int OctetValue(std::string_view digits) {
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 255) return -1;
    }
    return value;
}

UrlHost Refused(std::string problem) { return UrlHost{{}, std::move(problem)}; }

}  // namespace

int BrowsePort(std::string_view triggerPort) {
    const std::string_view digits = TrimBlanks(triggerPort);
    if (!AllDigits(digits)) return kDefaultPort;
    long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 65535) return kDefaultPort;
    }
    return value == 0 ? kDefaultPort : static_cast<int>(value);
}

UrlHost CheckUrlHost(std::string_view ip) {
    if (ip.empty()) return Refused("the address is empty");
    for (char c : ip) {
        const bool allowed = IsAlpha(c) || IsDigit(c) || c == '-' || c == '.';
        if (!allowed) return Refused("the address holds a character a host name cannot have");
    }
    if (ip.size() > 253) return Refused("the address is too long for a host name");

    const std::vector<std::string_view> labels = SplitLabels(ip);
    for (std::string_view label : labels) {
        if (label.empty()) return Refused("the address has an empty part");
        if (label.size() > 63) return Refused("a part of the address is too long");
        if (label.front() == '-' || label.back() == '-')
            return Refused("a part of the address begins or ends with \"-\"");
    }

    // Only the plain dotted quad says unambiguously which host is meant.
    if (!LooksNumeric(labels.back())) return UrlHost{std::string(ip), {}};
    if (labels.size() != 4) return Refused("the address is not a dotted IPv4 address");
    std::string host;
    for (std::string_view label : labels) {
        if (!AllDigits(label)) return Refused("the address is not a dotted IPv4 address");
        const int octet = OctetValue(label);
        if (octet < 0) return Refused("a part of the IPv4 address is above 255");
        if (!host.empty()) host += '.';
        host += std::to_string(octet);
    }
    return UrlHost{host, {}};
}

PageAddress MakePageAddress(std::string_view ip, std::string_view triggerPort) {
    UrlHost host = CheckUrlHost(ip);
    if (!host.problem.empty()) return PageAddress{std::nullopt, std::move(host.problem)};
    return PageAddress{"http://" + host.host + ":" + std::to_string(BrowsePort(triggerPort)), {}};
}

std::string PrintableText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && c != '\\') {
            out += c;
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", byte);
            out += hex;
        }
    }
    return out;
}
