// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/onvif_rows.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>

namespace {

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

// A text cut to fit a record field without splitting a UTF-8 sequence.
template <std::size_t N>
void SetTextField(char (&field)[N], std::string_view text) {
    if (text.size() >= N) {
        std::size_t cut = N - 1;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text = text.substr(0, cut);
    }
    SetComUnitField(field, text);
}

}  // namespace

std::optional<XAddrHost> HttpIpv4XAddrHost(std::string_view url) {
    constexpr std::string_view kScheme = "http://";
    if (!StartsWithIgnoringCase(url, kScheme)) return std::nullopt;
    std::string_view rest = url.substr(kScheme.size());
    rest = rest.substr(0, rest.find_first_of("/?#"));
    if (rest.find('@') != std::string_view::npos) return std::nullopt;  // user info hides the host
    const std::size_t colon = rest.find(':');
    const std::string host(rest.substr(0, colon));
    in_addr parsed{};
    if (inet_pton(AF_INET, host.c_str(), &parsed) != 1) return std::nullopt;
    char canonical[INET_ADDRSTRLEN];
    if (inet_ntop(AF_INET, &parsed, canonical, sizeof canonical) == nullptr) return std::nullopt;
    XAddrHost out{canonical, "80"};
    if (colon != std::string_view::npos) {
        const std::string_view port = rest.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        const int number = std::stoi(std::string(port));
        if (number < 1 || number > 65535) return std::nullopt;
        out.port = std::to_string(number);
    }
    return out;
}

std::string ScopeValue(const std::vector<std::string>& scopes, std::string_view prefix) {
    for (const std::string& scope : scopes)
        if (StartsWithIgnoringCase(scope, prefix)) return PercentDecode(std::string_view(scope).substr(prefix.size()));
    return {};
}

std::optional<XAddrHost> FirstIpv4HttpXAddr(const std::vector<std::string>& xaddrs) {
    for (const std::string& xaddr : xaddrs)
        if (auto host = HttpIpv4XAddrHost(xaddr)) return host;
    return std::nullopt;
}

namespace {

bool IsLoopback(std::string_view ip) { return ip.rfind("127.", 0) == 0; }

// ":port/path" of an http URL, everything after its host; nullopt when its
// port is none.
std::optional<std::string> AfterHost(std::string_view url) {
    std::string_view rest = url.substr(std::string_view("http://").size());
    const std::size_t authorityEnd = std::min(rest.find_first_of("/?#"), rest.size());
    std::string_view authority = rest.substr(0, authorityEnd);
    authority.remove_prefix(authority.rfind('@') == std::string_view::npos ? 0 : authority.rfind('@') + 1);
    const std::size_t close = authority.rfind(']');
    const std::size_t colon = authority.rfind(':');
    std::string port;
    if (colon != std::string_view::npos && (close == std::string_view::npos || colon > close)) {
        port = std::string(authority.substr(colon + 1));
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoi(port) < 1 || std::stoi(port) > 65535)
            return std::nullopt;
    }
    return (port.empty() ? "" : ":" + port) + std::string(rest.substr(authorityEnd));
}

}  // namespace

std::string RowXAddr(const std::vector<std::string>& xaddrs, std::string_view answeredFromIp) {
    in_addr sender{};
    const bool senderKnown = inet_pton(AF_INET, std::string(answeredFromIp).c_str(), &sender) == 1;
    const std::string* loopback = nullptr;
    const std::string* firstIpv4 = nullptr;
    std::optional<std::string> elsewhere;  // the first http XAddr's port and path
    for (const std::string& xaddr : xaddrs) {
        if (!StartsWithIgnoringCase(xaddr, "http://")) continue;
        if (!elsewhere) elsewhere = AfterHost(xaddr);
        const auto host = HttpIpv4XAddrHost(xaddr);
        if (!host) continue;
        if (host->ip == answeredFromIp) return xaddr;
        if (firstIpv4 == nullptr) firstIpv4 = &xaddr;
        if (loopback == nullptr && IsLoopback(host->ip) && IsLoopback(answeredFromIp)) loopback = &xaddr;
    }
    if (!senderKnown) return firstIpv4 != nullptr ? *firstIpv4 : std::string();
    if (loopback != nullptr) return *loopback;
    // A camera behind NAT names an address nobody here reaches, and a host
    // naming another's would steer sign-ins there: the host that answered is called.
    return elsewhere ? "http://" + std::string(answeredFromIp) + *elsewhere : std::string();
}

bool XAddrNamedBySender(const OnvifDeviceInfo& device) {
    return std::find(device.xaddrs.begin(), device.xaddrs.end(), device.xaddr) != device.xaddrs.end();
}

std::string_view SenderIp(std::string_view answeredFrom) { return answeredFrom.substr(0, answeredFrom.find(':')); }

std::optional<tComUnitInfo> OnvifDeviceRecord(const OnvifDeviceInfo& device, std::string& problem) {
    const auto host = HttpIpv4XAddrHost(device.xaddr);
    if (!host) {
        problem = "no http XAddr with an IPv4 address";
        return std::nullopt;
    }
    tComUnitInfo rec{};
    SetTextField(rec.model, ScopeValue(device.scopes, "onvif://www.onvif.org/hardware/"));
    SetComUnitField(rec.proj, kOnvifProj);
    SetTextField(rec.name, ScopeValue(device.scopes, "onvif://www.onvif.org/name/"));
    SetComUnitField(rec.ip, host->ip);
    SetComUnitField(rec.trigger_port, host->port);
    SetComUnitField(rec.netmask, "NULL");
    SetComUnitField(rec.gateway, "NULL");
    SetComUnitField(rec.dns, "NULL");
    SetComUnitField(rec.mac, "NULL");
    SetComUnitField(rec.dev, "NULL");
    SetComUnitField(rec.note, device.endpoint.substr(0, sizeof rec.note - 1));
    return rec;
}

bool RecordOfOnvifDevice(const tComUnitInfo& record, const OnvifDeviceInfo& device) {
    return ComUnitFieldText(record.proj) == kOnvifProj &&
           ComUnitFieldText(record.note) == device.endpoint.substr(0, sizeof record.note - 1);
}
