// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The table row of an ONVIF device: its hardware and name scopes, the
// address of its first usable XAddr, "ONVIF" as project and "NULL" where the
// device has no value (which keeps Network Setup off for the row).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/com_unit_info.h"
#include "protocol/onvif_device_info.h"
#include "protocol/text_format.h"

inline constexpr const char* kOnvifProj = "ONVIF";

// The percent-decoded value of the first scope starting with `prefix`
// (scheme and host compared ignoring case); empty when there is none.
std::string ScopeValue(const std::vector<std::string>& scopes, std::string_view prefix);

struct XAddrHost {
    std::string ip;
    std::string port;
};

// Host and port of an "http" URL whose host is a dotted IPv4 address;
// port "80" when the URL names none.
std::optional<XAddrHost> HttpIpv4XAddrHost(std::string_view xaddr);

// Host and port of the first "http" XAddr whose host is a dotted IPv4
// address.
std::optional<XAddrHost> FirstIpv4HttpXAddr(const std::vector<std::string>& xaddrs);

// The row's XAddr: the first http IPv4 one on `answeredFromIp` (the
// sender's address); else a loopback one when the answer came from
// loopback; else the sender itself with the port and path of the first http
// XAddr, as a camera behind NAT must be called, and as an answer naming
// another host must not steer sign-ins there. Empty when there is no http
// XAddr; the first http IPv4 one when the sender is not known.
std::string RowXAddr(const std::vector<std::string>& xaddrs, std::string_view answeredFromIp);

// Whether the device's xaddr is one of its own XAddrs, not the address it
// answered from put in place of them.
bool XAddrNamedBySender(const OnvifDeviceInfo& device);

// "198.51.100.7" of "198.51.100.7:3702".
std::string_view SenderIp(std::string_view answeredFrom);

// The record of the device's row, addressed by the device's xaddr; nullopt
// (with the reason) when it has none.
std::optional<tComUnitInfo> OnvifDeviceRecord(const OnvifDeviceInfo& device, std::string& problem);

// Whether a record was made from this device (the record's note holds the
// device's endpoint reference, cut to the field).
bool RecordOfOnvifDevice(const tComUnitInfo& record, const OnvifDeviceInfo& device);
