// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/http_command.h"

#include <cstddef>
#include <string_view>
#include <vector>

#include "protocol/text_format.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlpha(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsUnreserved(char c) { return IsAlpha(c) || IsDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

bool Fail(std::string* why, const std::string& reason) {
    if (why) *why = reason;
    return false;
}

std::vector<std::string_view> SplitLabels(std::string_view host) {
    std::vector<std::string_view> labels;
    std::size_t start = 0;
    for (;;) {
        const std::size_t dot = host.find('.', start);
        labels.push_back(host.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start));
        if (dot == std::string_view::npos) return labels;
        start = dot + 1;
    }
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!IsDigit(c)) return false;
    return true;
}

// Decimal value of a digit string, or -1 when it exceeds `limit`.
long BoundedNumber(std::string_view digits, long limit) {
    long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > limit) return -1;
    }
    return value;
}

bool CheckHost(std::string_view host, std::string* why) {
    if (host.empty()) return Fail(why, "the host name is empty");
    if (host.size() > 253) return Fail(why, "the host name is longer than 253 characters");
    const auto labels = SplitLabels(host);
    bool numeric = true;
    for (auto label : labels) numeric = numeric && AllDigits(label);
    if (numeric) {
        // All-digit names would be read by resolvers as short or octal forms
        // of an address; only the plain dotted quad is accepted.
        if (labels.size() != 4) return Fail(why, "an IPv4 address needs four numbers");
        for (auto label : labels)
            if (label.size() > 3 || BoundedNumber(label, 255) < 0)
                return Fail(why, "an IPv4 address number is above 255");
        return true;
    }
    for (auto label : labels) {
        if (label.empty()) return Fail(why, "the host name has an empty label");
        if (label.size() > 63) return Fail(why, "a host name label is longer than 63 characters");
        if (label.front() == '-' || label.back() == '-') return Fail(why, "a host name label starts or ends with '-'");
        for (char c : label)
            if (!IsAlpha(c) && !IsDigit(c) && c != '-' && c != '_')
                return Fail(why, std::string("the host name holds the character '") + c + "'");
    }
    return true;
}

}  // namespace

std::string HttpCommandPath(const std::string& projText) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string path = "/device.get?DeviceType=";
    for (char c : projText) {
        if (IsUnreserved(c)) {
            path += c;
        } else {
            const auto byte = static_cast<unsigned char>(c);
            path += '%';
            path += kHex[byte >> 4];
            path += kHex[byte & 0x0F];
        }
    }
    return path;
}

std::optional<std::string> HttpCommandFilter(std::string_view target) {
    const std::size_t question = target.find('?');
    if (target.substr(0, question) != "/device.get") return std::nullopt;
    if (question == std::string_view::npos) return "ALL";
    std::string_view query = target.substr(question + 1);
    constexpr std::string_view kName = "DeviceType=";
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view parameter = query.substr(0, amp);
        if (parameter.substr(0, kName.size()) == kName) return PercentDecode(parameter.substr(kName.size()));
        if (amp == std::string_view::npos) break;
        query.remove_prefix(amp + 1);
    }
    return "ALL";
}

bool IsValidRelayHost(const std::string& relayAddress, std::string* why) {
    if (relayAddress.empty()) return Fail(why, "the relay address is empty");
    if (relayAddress.find("://") != std::string::npos) return Fail(why, "the relay address holds a scheme");
    for (char c : relayAddress) {
        if (c == '/') return Fail(why, "the relay address holds '/'");
        if (c == '@') return Fail(why, "the relay address holds '@'");
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') return Fail(why, "the relay address holds a blank");
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            return Fail(why, "the relay address holds a control or non-ASCII character");
    }
    std::string_view host = relayAddress;
    const std::size_t colon = host.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        host = host.substr(0, colon);
        if (!AllDigits(port)) return Fail(why, "the port is not a number");
        const long value = BoundedNumber(port, 65535);
        if (value < 1) return Fail(why, "the port is not between 1 and 65535");
    }
    return CheckHost(host, why);
}
