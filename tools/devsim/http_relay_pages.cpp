// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/http_relay_pages.h"

#include <array>
#include <cstdint>

namespace {

struct KindName {
    HttpPageKind kind;
    const char* name;
};

constexpr std::array<KindName, 14> kKindNames{{
    {HttpPageKind::Normal, "normal"},
    {HttpPageKind::NoItems, "no-items"},
    {HttpPageKind::Indented, "indented"},
    {HttpPageKind::UpperCase, "upper-case"},
    {HttpPageKind::CellCounts, "cell-counts"},
    {HttpPageKind::FirstTags, "first-tags"},
    {HttpPageKind::Huge, "huge"},
    {HttpPageKind::Binary, "binary"},
    {HttpPageKind::Error, "error"},
    {HttpPageKind::Redirect, "redirect"},
    {HttpPageKind::RedirectCross, "redirect-cross"},
    {HttpPageKind::RedirectLoop, "redirect-loop"},
    {HttpPageKind::Slow, "slow"},
    {HttpPageKind::CommaNames, "comma-names"},
}};

constexpr std::size_t kHugeLineBytes = 16u << 20;
constexpr int kRowFields[] = {0, 1, 2, 3, 4, 5, 8};  // model, proj, name, ip, trigger_port, netmask, mac
const char* const kHeadings[] = {"Model", "Proj", "Name", "IP", "Port", "Netmask", "Mac"};

std::string Cells(const SimDevice& device, const char* open, const char* close, const char* between, int count) {
    std::string line;
    for (int i = 0; i < count; ++i) {
        if (i > 0) line += between;
        line += open;
        line += i < 7 ? device.fields[static_cast<std::size_t>(kRowFields[i])] : "extra" + std::to_string(i);
        line += close;
    }
    return line;
}

std::string HeadingRow() {
    std::string line = "<tr>";
    for (const char* h : kHeadings) line += std::string("<th>") + h + "</th>";
    return line + "</tr>";
}

std::string TablePage(const std::vector<SimDevice>& devices) {
    std::string page = "<html><body><table>\n" + HeadingRow() + "\n";
    for (const auto& device : devices) page += "<tr>" + Cells(device, "<td>", "</td>", "", 7) + "</tr>\n";
    return page + "</table></body></html>\n";
}

// The request's target with its page parameter replaced.
std::string TargetWithPage(const HttpRelayRequest& request, const std::string& page) {
    std::string target = request.path + "?";
    const std::size_t q = request.target.find('?');
    std::string_view query =
        q == std::string::npos ? std::string_view() : std::string_view(request.target).substr(q + 1);
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view part = query.substr(0, amp);
        if (part.substr(0, 5) != "page=" && !part.empty()) target += std::string(part) + "&";
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    return target + "page=" + page;
}

HttpRelayAnswer Page(std::string body) {
    HttpRelayAnswer answer;
    answer.body = std::move(body);
    return answer;
}

HttpRelayAnswer Redirect(std::string location) {
    HttpRelayAnswer answer;
    answer.status = 302;
    answer.reason = "Found";
    answer.location = std::move(location);
    return answer;
}

}  // namespace

std::optional<HttpPageKind> ParseHttpPageKind(std::string_view name) {
    for (const auto& k : kKindNames)
        if (name == k.name) return k.kind;
    return std::nullopt;
}

std::string HttpPageKindName(HttpPageKind kind) {
    for (const auto& k : kKindNames)
        if (kind == k.kind) return k.name;
    return "?";
}

std::string HttpPageKindNames() {
    std::string names;
    for (const auto& k : kKindNames) names += (names.empty() ? "" : ", ") + std::string(k.name);
    return names;
}

std::string EscapeForLog(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '\\') {
            out += "\\x";
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        } else {
            out += c;
        }
    }
    return out;
}

std::optional<HttpRelayRequest> ParseHttpRelayRequest(std::string_view head) {
    const std::string_view line = head.substr(0, head.find("\r\n"));
    const std::size_t sp1 = line.find(' ');
    if (sp1 == std::string_view::npos) return std::nullopt;
    const std::size_t sp2 = line.find(' ', sp1 + 1);
    if (sp2 == std::string_view::npos || line.substr(sp2 + 1, 5) != "HTTP/") return std::nullopt;
    HttpRelayRequest request;
    request.method = std::string(line.substr(0, sp1));
    request.target = std::string(line.substr(sp1 + 1, sp2 - sp1 - 1));
    const std::size_t q = request.target.find('?');
    request.path = request.target.substr(0, q);
    std::string_view query =
        q == std::string::npos ? std::string_view() : std::string_view(request.target).substr(q + 1);
    // Split on the raw '&' first: an encoded "%26" belongs to its value.
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view part = query.substr(0, amp);
        const std::size_t eq = part.find('=');
        const std::string_view key = part.substr(0, eq);
        const std::string value = eq == std::string_view::npos ? std::string() : PercentDecode(part.substr(eq + 1));
        if (key == "DeviceType" && !request.hasDeviceType) {
            request.deviceType = value;
            request.hasDeviceType = true;
        } else if (key == "page" && !request.page) {
            request.page = value;
        }
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    return request;
}

std::vector<SimDevice> DevicesOfProject(const std::vector<SimDevice>& devices, const std::string& deviceType) {
    if (deviceType == "ALL") return devices;
    std::vector<SimDevice> chosen;
    for (const auto& device : devices)
        if (device.fields[1] == deviceType) chosen.push_back(device);
    return chosen;
}

HttpRelayAnswer BuildHttpRelayAnswer(HttpPageKind kind, const std::vector<SimDevice>& devices,
                                     const HttpRelayRequest& request, int port) {
    switch (kind) {
        case HttpPageKind::Normal:
        case HttpPageKind::Slow:
            return Page(TablePage(devices));
        case HttpPageKind::NoItems:
            return Page("<html><body>\n<p>No available items</p>\n</body></html>\n");
        case HttpPageKind::Indented: {
            // Only the rows are indented: blanks left before a stripped
            // structural tag would make a row of their own.
            std::string page = "<html><body><table>\n" + HeadingRow() + "\n";
            for (const auto& device : devices)
                page += "    <tr>  " + Cells(device, "<td>", "</td>", "  ", 7) + "  </tr>\n";
            return Page(page + "</table></body></html>\n");
        }
        case HttpPageKind::UpperCase: {
            std::string page = "<HTML><BODY><TABLE>\n" + HeadingRow() + "\n";
            for (const auto& device : devices) page += "<TR>" + Cells(device, "<TD>", "</TD>", "", 7) + "</TR>\n";
            return Page(page + "</TABLE></BODY></HTML>\n");
        }
        case HttpPageKind::CellCounts: {
            std::string page = "<html><body><table>\n" + HeadingRow() + "\n";
            for (std::size_t i = 0; i < devices.size(); ++i)
                page += "<tr>" + Cells(devices[i], "<td>", "</td>", "", i % 2 == 0 ? 9 : 4) + "</tr>\n";
            return Page(page + "</table></body></html>\n");
        }
        case HttpPageKind::FirstTags: {
            std::string page = "<html>\n<strong>Devices</strong>\n<table>\n";
            for (const auto& device : devices)
                page += "<tbody><tr>" + Cells(device, "<td>", "</td>", "", 7) + "</tr></tbody>\n";
            return Page(page + "</table>\n</html>\n");
        }
        case HttpPageKind::Huge: {
            std::string page = TablePage(devices);
            page.append(kHugeLineBytes, 'x');
            return Page(page + "\n");
        }
        case HttpPageKind::Binary: {
            std::string page = TablePage(devices);
            std::uint32_t state = 12345;
            for (int i = 0; i < 65536; ++i) {
                state = state * 1103515245u + 12345u;
                page += static_cast<char>(state >> 24);
            }
            page += std::string(1, '\0') + TablePage(devices);
            return Page(page);
        }
        case HttpPageKind::Error: {
            HttpRelayAnswer answer = Page(TablePage(devices));
            answer.status = 500;
            answer.reason = "Internal Server Error";
            return answer;
        }
        case HttpPageKind::Redirect:
            return Redirect(TargetWithPage(request, "normal"));
        case HttpPageKind::RedirectCross:
            return Redirect("http://127.0.0.2:" + std::to_string(port) + TargetWithPage(request, "normal"));
        case HttpPageKind::RedirectLoop:
            return Redirect(TargetWithPage(request, "redirect-loop"));
        case HttpPageKind::CommaNames: {
            // A relay passes its cells on verbatim, separators of the device
            // protocol included.
            std::vector<SimDevice> named = devices;
            for (SimDevice& device : named) device.fields[2] += ", east wing";
            return Page(TablePage(named));
        }
    }
    return Page({});
}

std::string SerializeHttpAnswer(const HttpRelayAnswer& answer) {
    std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + answer.reason + "\r\n";
    head += "Content-Type: text/html\r\n";
    if (!answer.location.empty()) head += "Location: " + answer.location + "\r\n";
    head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    return head + answer.body;
}
