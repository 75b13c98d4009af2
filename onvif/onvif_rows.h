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

inline constexpr const char* kOnvifProj = "ONVIF";

// %XX sequences decoded; a "%" not followed by two hex digits stays as is.
std::string PercentDecode(std::string_view text);

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

// The row's XAddr among the http IPv4 ones: the first on `answeredFromIp`
// (the sender's address), else the first; empty when there is none. A stray
// answer naming another host then cannot decide where the row points.
std::string RowXAddr(const std::vector<std::string>& xaddrs, std::string_view answeredFromIp);

// "198.51.100.7" of "198.51.100.7:3702".
std::string_view SenderIp(std::string_view answeredFrom);

// The record of the device's row, addressed by the device's xaddr; nullopt
// (with the reason) when it has none.
std::optional<tComUnitInfo> OnvifDeviceRecord(const OnvifDeviceInfo& device, std::string& problem);

// Whether a record was made from this device (the record's note holds the
// device's endpoint reference, cut to the field).
bool RecordOfOnvifDevice(const tComUnitInfo& record, const OnvifDeviceInfo& device);
