// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/control_package.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

#include "protocol/plain_package.h"
#include "protocol/text_format.h"
#include "protocol/udp_socket.h"
#include "protocol/unique_fd.h"

const char* NetworkTypeKeyword(NetworkType type) {
    switch (type) {
        case NetworkType::Static:
            return "static";
        case NetworkType::Dhcp:
            return "dhcp";
        case NetworkType::Torvo:
            return "torvo";
        case NetworkType::None:
            break;
    }
    return "";
}

const char* AddressEditCaption(AddressEdit edit) {
    switch (edit) {
        case AddressEdit::IP:
            return "IP Address";
        case AddressEdit::Gateway:
            return "Gateway";
        case AddressEdit::Netmask:
            return "Netmask";
        case AddressEdit::DNS:
            return "DNS";
    }
    return "";
}

int AddressEditMaxLength(AddressEdit edit) {
    tComUnitInfo rec{};
    switch (edit) {
        case AddressEdit::IP:
            return static_cast<int>(sizeof rec.ip) - 1;
        case AddressEdit::Gateway:
            return static_cast<int>(sizeof rec.gateway) - 1;
        case AddressEdit::Netmask:
            return static_cast<int>(sizeof rec.netmask) - 1;
        case AddressEdit::DNS:
            return static_cast<int>(sizeof rec.dns) - 1;
    }
    return 0;
}

RequestField ToRequestField(AddressEdit edit) {
    switch (edit) {
        case AddressEdit::IP:
            return RequestField::IP;
        case AddressEdit::Gateway:
            return RequestField::Gateway;
        case AddressEdit::Netmask:
            return RequestField::Netmask;
        case AddressEdit::DNS:
            break;
    }
    return RequestField::DNS;
}

const char* RequestFieldCaption(RequestField field) {
    switch (field) {
        case RequestField::Model:
            return "Model";
        case RequestField::Proj:
            return "Project";
        case RequestField::Name:
            return "Name";
        case RequestField::Mac:
            return "MAC";
        case RequestField::IP:
            return AddressEditCaption(AddressEdit::IP);
        case RequestField::Gateway:
            return AddressEditCaption(AddressEdit::Gateway);
        case RequestField::Netmask:
            return AddressEditCaption(AddressEdit::Netmask);
        case RequestField::DNS:
            return AddressEditCaption(AddressEdit::DNS);
        case RequestField::Dev:
            return "Dev";
        case RequestField::Port:
            break;
    }
    return "Port";
}

const std::string& RequestFieldText(const ControlRequest& request, RequestField field) {
    switch (field) {
        case RequestField::Model:
            return request.model;
        case RequestField::Proj:
            return request.proj;
        case RequestField::Name:
            return request.name;
        case RequestField::Mac:
            return request.mac;
        case RequestField::IP:
            return request.ip;
        case RequestField::Gateway:
            return request.gateway;
        case RequestField::Netmask:
            return request.netmask;
        case RequestField::DNS:
            return request.dns;
        case RequestField::Dev:
            return request.dev;
        case RequestField::Port:
            break;
    }
    return request.port;
}

ControlRequest ControlRequestFor(const tComUnitInfo& device) {
    ControlRequest r;
    r.model = ComUnitFieldText(device.model);
    r.proj = ComUnitFieldText(device.proj);
    r.name = ComUnitFieldText(device.name);
    r.mac = ComUnitFieldText(device.mac);
    r.dev = ComUnitFieldText(device.dev);
    r.port = ComUnitFieldText(device.trigger_port);
    r.ip = ComUnitFieldText(device.ip);
    r.gateway = ComUnitFieldText(device.gateway);
    r.netmask = ComUnitFieldText(device.netmask);
    r.dns = ComUnitFieldText(device.dns);
    return r;
}

std::optional<std::uint32_t> ParseAddress(const std::string& text) {
    const bool hasBlankOrNul = std::any_of(
        text.begin(), text.end(), [](char c) { return c == '\0' || std::isspace(static_cast<unsigned char>(c)) != 0; });
    if (hasBlankOrNul) {
        return std::nullopt;
    }
    const in_addr_t value = inet_addr(text.c_str());
    if (value == INADDR_NONE) {
        return std::nullopt;
    }
    return ntohl(value);
}

bool IsValidAddressText(AddressEdit edit, const std::string& text) {
    return static_cast<int>(text.size()) <= AddressEditMaxLength(edit) && ParseAddress(text).has_value();
}

std::string InvalidAddressMessage(AddressEdit edit, const std::string& text) {
    return StrFormat("Invalid %s - [%s]", AddressEditCaption(edit), text.c_str());
}

bool IsUnreasonableGateway(const std::string& ip, const std::string& netmask, const std::string& gateway) {
    const std::uint32_t i = ParseAddress(ip).value_or(0xFFFFFFFFu);
    const std::uint32_t m = ParseAddress(netmask).value_or(0xFFFFFFFFu);
    const std::uint32_t g = ParseAddress(gateway).value_or(0xFFFFFFFFu);
    return (i & m) != (g & m);
}

std::string UnreasonableGatewayMessage(const std::string& gateway) {
    return StrFormat("Unresonable Gateway - [%s]", gateway.c_str());
}

namespace {

bool HoldsSeparator(std::string_view text) { return text.find_first_of(std::string_view(",\r\n\0", 4)) != text.npos; }

}  // namespace

std::optional<AddressEdit> AsAddressEdit(RequestField field) {
    for (AddressEdit edit : kAddressEdits)
        if (ToRequestField(edit) == field) return edit;
    return std::nullopt;
}

bool TakesTheSentAddress(NetworkType type) { return type == NetworkType::Static || type == NetworkType::Torvo; }

std::optional<RequestField> FirstRejectedField(const ControlRequest& request) {
    const bool needsAddresses = TakesTheSentAddress(request.type);
    for (RequestField field : kRequestFields) {
        const std::string& text = RequestFieldText(request, field);
        if (HoldsSeparator(text)) return field;
        const std::optional<AddressEdit> edit = AsAddressEdit(field);
        if (!edit) continue;
        if (static_cast<int>(text.size()) > AddressEditMaxLength(*edit)) return field;
        if (needsAddresses && !IsValidAddressText(*edit, text)) return field;
    }
    return std::nullopt;
}

std::string InvalidFieldMessage(RequestField field, const std::string& text) {
    return StrFormat("Invalid %s - [%s]", RequestFieldCaption(field), text.c_str());
}

tComUnitInfo MakeControlRecord(const ControlRequest& request) {
    tComUnitInfo rec{};
    SetComUnitField(rec.model, request.model);
    SetComUnitField(rec.proj, request.proj);
    SetComUnitField(rec.name, request.name);
    SetComUnitField(rec.ip, request.ip);
    SetComUnitField(rec.trigger_port, request.port);
    SetComUnitField(rec.netmask, request.netmask);
    SetComUnitField(rec.gateway, request.gateway);
    SetComUnitField(rec.dns, request.dns);
    SetComUnitField(rec.mac, request.mac);
    SetComUnitField(rec.dev, request.dev);
    SetComUnitField(rec.note, NetworkTypeKeyword(request.type));
    return rec;
}

int SendControlPackage(WindowOps& form, const tComUnitInfo& record, const std::string& deviceAddress) {
    for (int i = 0; i < kComUnitFieldCount; ++i) {
        if (HoldsSeparator(ComUnitFieldText(ComUnitField(record, i), ComUnitFieldWidth(i)))) {
            form.Log(StrFormat("Control package not sent: field %d holds a separator.", i));
            return -1;
        }
    }
    std::vector<char> out(kWireBufferSize, '\0');
    if (MakePlainPkg(form, kFlagNetworkSetup, out.data(), &record) != 0) {
        return -1;
    }
    int sock = -1;
    sockaddr_in addr{};
    const int bound = DM_CreateUDPBroadcastSocket(form, kReplyPort, sock, addr);
    // Closed on every path, the failed bind included.
    UniqueFd replySocket(sock);
    if (bound != 0) {
        return -1;
    }
    if (form.SelectedSearchMethod() == SearchMethod::AddressRange) {
        const std::optional<std::uint32_t> host = ParseAddress(deviceAddress);
        if (!host) {
            form.Log(StrFormat("Control package not sent: no device address [%s]\n", deviceAddress.c_str()));
            return -1;
        }
        return SendUdpTo(form, kDevicePort, out.data(), htonl(*host)) == 0 ? 0 : -1;
    }
    return DM_SendUDPBroadcast(form, kDevicePort, out.data()) == 0 ? 0 : -1;
}
