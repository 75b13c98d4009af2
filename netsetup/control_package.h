// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network setup control package: the checks its addresses pass, the
// record it carries and its sending. Shared by TNetForm and lanvaro-cli.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"

enum class NetworkType { None, Static, Dhcp, Torvo };

// The keyword a type writes into the package's note ("" for None).
const char* NetworkTypeKeyword(NetworkType type);

// The four address edits, in their order from the top of the dialog.
enum class AddressEdit { IP, Gateway, Netmask, DNS };
constexpr std::array<AddressEdit, 4> kAddressEdits{AddressEdit::IP, AddressEdit::Gateway, AddressEdit::Netmask,
                                                   AddressEdit::DNS};
// "IP Address", "Gateway", "Netmask", "DNS": the edits' label captions.
const char* AddressEditCaption(AddressEdit edit);
// The most characters an address edit holds: its record field's width less one.
int AddressEditMaxLength(AddressEdit edit);

// The one of a holder's ip, gateway, netmask and dns members an edit stands for.
template <class Holder>
auto& AddressMember(Holder& holder, AddressEdit edit) {
    switch (edit) {
        case AddressEdit::IP:
            return holder.ip;
        case AddressEdit::Gateway:
            return holder.gateway;
        case AddressEdit::Netmask:
            return holder.netmask;
        case AddressEdit::DNS:
            break;
    }
    return holder.dns;
}

// The texts a control package is made of, as the dialog holds them.
struct ControlRequest {
    NetworkType type = NetworkType::None;
    std::string model, proj, name, mac, dev, port;
    std::string ip, gateway, netmask, dns;

    std::string& Address(AddressEdit edit) { return AddressMember(*this, edit); }
    const std::string& Address(AddressEdit edit) const { return AddressMember(*this, edit); }
};

// Every text of a request that travels in the package, in the dialog's order
// from the top (Dev and Port are hidden edits below the others).
enum class RequestField { Model, Proj, Name, Mac, IP, Gateway, Netmask, DNS, Dev, Port };
constexpr std::array<RequestField, 10> kRequestFields{
    RequestField::Model,   RequestField::Proj,    RequestField::Name, RequestField::Mac, RequestField::IP,
    RequestField::Gateway, RequestField::Netmask, RequestField::DNS,  RequestField::Dev, RequestField::Port};
RequestField ToRequestField(AddressEdit edit);
// The address edit a field is, if it is one.
std::optional<AddressEdit> AsAddressEdit(RequestField field);
// Static and Torvo name the address the device will take; DHCP does not.
bool TakesTheSentAddress(NetworkType type);
// The field's label in the dialog: "Model", "Project", "Name", "MAC", an
// address edit's caption, "Dev", "Port".
const char* RequestFieldCaption(RequestField field);
const std::string& RequestFieldText(const ControlRequest& request, RequestField field);

// The request for a found device: its own texts, no type chosen.
ControlRequest ControlRequestFor(const tComUnitInfo& device);

// The IPv4 value of an address text as inet_addr reads it, or nullopt when
// it reads none (255.255.255.255 and "" included). Text with blanks is
// refused even where inet_addr would stop at the blank, since whatever
// followed would travel in the package.
std::optional<std::uint32_t> ParseAddress(const std::string& text);
// An address edit's text passes when it parses and fits its field.
bool IsValidAddressText(AddressEdit edit, const std::string& text);
// "Invalid %s - [%s]" for an edit and its text.
std::string InvalidAddressMessage(AddressEdit edit, const std::string& text);
// True when the gateway lies outside the network of ip/netmask; texts that
// do not parse count as all ones.
bool IsUnreasonableGateway(const std::string& ip, const std::string& netmask, const std::string& gateway);
// "Unresonable Gateway - [%s]".
std::string UnreasonableGatewayMessage(const std::string& gateway);

// The first field that stops the request from being sent, in the dialog's
// order. No field may hold a comma, CR, LF or NUL: each would split or cut
// the package's fields, so the device would read its settings from the wrong
// places. An address longer than its field would arrive cut, and Static and
// Torvo need all four addresses to be valid.
std::optional<RequestField> FirstRejectedField(const ControlRequest& request);
// "Invalid %s - [%s]" for a field and its text.
std::string InvalidFieldMessage(RequestField field, const std::string& text);

// The record the package carries: every field from the request (cut to its
// width), note the type's keyword.
tComUnitInfo MakeControlRecord(const ControlRequest& request);

// Builds the flag 3 package for the record and sends it to the device port
// the way the main window's search method says, holding the reply port for
// the time of the send: by broadcast, to the relay, or with Address Range by
// unicast to `deviceAddress`, where the device answered (no broadcast
// crosses the router in between). 0 when sent, -1 otherwise (the log has
// the detail); a record with a field holding a comma, CR or LF is never sent.
int SendControlPackage(WindowOps& form, const tComUnitInfo& record, const std::string& deviceAddress = {});

inline constexpr const char* kControlSentText =
    "Control package sent.\nPlease try to re-search the device after one minute.";
inline constexpr const char* kControlFailedText = "Failed to send the control package.";
inline constexpr const char* kNoNetworkTypeText = "Please specify the network type first.";
