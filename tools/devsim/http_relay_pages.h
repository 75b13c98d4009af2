// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the simulated HTTP relay answers: the request's parameters and the
// device table page in each of its variants.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/text_format.h"
#include "tools/devsim/sim_device.h"

enum class HttpPageKind {
    Normal,         // heading row, one <tr> line of seven cells per device
    NoItems,        // "No available items" within four lines
    Indented,       // blanks before the row tag and between the cells
    UpperCase,      // <TR><TD>..</TD></TR>: no cells for the tool
    CellCounts,     // devices alternate between nine and four cells
    FirstTags,      // a STRONG heading and rows opened by <tbody>
    Huge,           // the page, then a 16 MiB line
    Binary,         // bytes of every value, NULs and line ends included
    Error,          // HTTP 500 with a device table as its body
    Redirect,       // 302 to the normal page on the same origin
    RedirectCross,  // 302 to the normal page on 127.0.0.2 (the one-host box)
    RedirectLoop,   // 302 to itself, forever
    Slow,           // accepted and read, never answered
    CommaNames,     // the normal page, every name cell holding a comma
};

std::optional<HttpPageKind> ParseHttpPageKind(std::string_view name);
std::string HttpPageKindName(HttpPageKind kind);
// Every kind's name, for --help.
std::string HttpPageKindNames();

// Control characters and bytes above 0x7E as \xHH, so a log line stays one line.
std::string EscapeForLog(std::string_view text);

struct HttpRelayRequest {
    std::string method;
    std::string target;      // as sent: path and query
    std::string path;        // before '?'
    std::string deviceType;  // decoded DeviceType value; empty when absent
    bool hasDeviceType = false;
    std::optional<std::string> page;  // decoded "page" value, when given
};

// Parses the request line of an HTTP request head; nullopt when malformed.
std::optional<HttpRelayRequest> ParseHttpRelayRequest(std::string_view head);

// Devices whose project is the given type; all of them for "ALL".
std::vector<SimDevice> DevicesOfProject(const std::vector<SimDevice>& devices, const std::string& deviceType);

struct HttpRelayAnswer {
    int status = 200;
    std::string reason = "OK";
    std::string location;  // for redirects
    std::string body;
};

// The answer of one page kind for the given devices. `target` is the request
// target (redirects keep its DeviceType) and `port` the relay's port.
HttpRelayAnswer BuildHttpRelayAnswer(HttpPageKind kind, const std::vector<SimDevice>& devices,
                                     const HttpRelayRequest& request, int port);

// Status line, headers (Content-Length, Connection: close) and body.
std::string SerializeHttpAnswer(const HttpRelayAnswer& answer);
