// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The address of a device's web page, formed only from texts that make a
// sound URL: the record's ip can come unchecked from a relay or a UPnP device.

#include <optional>
#include <string>
#include <string_view>

// The record's trigger_port as a port number: decimal digits (blanks around
// them ignored) of a value 1..65535; anything else gives 80.
int BrowsePort(std::string_view triggerPort);

struct UrlHost {
    std::string host;     // the text to put in the URL; empty when refused
    std::string problem;  // why it was refused; empty when accepted
};

// Accepts a dotted IPv4 address (leading zeros dropped, so no browser reads
// an octet as octal) or a plain host name of letters, digits, "-" and ".".
UrlHost CheckUrlHost(std::string_view ip);

struct PageAddress {
    std::optional<std::string> url;  // "http://host:port"
    std::string problem;
};

PageAddress MakePageAddress(std::string_view ip, std::string_view triggerPort);

// The text with every byte outside printable ASCII shown as \xNN, for log lines.
std::string PrintableText(std::string_view text);
