// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading the ONVIF device service's answers: bytes in, facts out. Elements
// are matched by namespace URI, never by prefix, as cameras use any prefix.

#include <libxml/tree.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "onvif/device_client.h"

// A reason longer than this is cut: it reaches messages, logs and terminals.
inline constexpr std::size_t kMaxFaultReason = 500;

enum class SoapAnswerKind { Response, Fault, Unreadable };

struct SoapAnswer {
    SoapAnswerKind kind = SoapAnswerKind::Unreadable;
    // Fault: its reason text (its code where it has none), at most
    // kMaxFaultReason characters; Unreadable: why.
    std::string problem;
    // A fault whose code, subcodes (SOAP 1.1: faultcode) or detail say the
    // sender is not authorised.
    bool notAuthorized = false;
};

struct CameraClock {
    std::chrono::system_clock::time_point utc;
    bool ntp = false;
    // As the camera reported them: a clock set by hand keeps them only when
    // they are sent back.
    bool daylightSavings = false;
    std::string timeZone;  // POSIX TZ text; empty when it named none
    std::string note;      // how far to trust utc when it came from the local time; empty when exact
};

// Opens the SOAP envelope of any service's answer and hands its response
// element, `responseName` in the service's namespace `ns`, to `read`, which
// says whether it held what was asked (else why not, in its second argument).
SoapAnswer ReadServiceAnswer(std::string_view bytes, std::string_view ns, std::string_view responseName,
                             const std::function<bool(const xmlNode*, std::string&)>& read);

// Each takes the HTTP body of the answer to its request. Response: the
// expected element was there and its facts are written; anything else
// leaves the output as it was.
// UTCDateTime, else LocalDateTime in the camera's POSIX TimeZone (another
// zone's local time counts as UTC, with a note).
SoapAnswer ReadDateTimeAnswer(std::string_view bytes, CameraClock& clock);
SoapAnswer ReadHostnameAnswer(std::string_view bytes, std::string& hostname);
SoapAnswer ReadDeviceInformationAnswer(std::string_view bytes, OnvifDeviceFacts& facts);
SoapAnswer ReadNetworkInterfacesAnswer(std::string_view bytes, std::vector<OnvifNetworkInterface>& interfaces);
SoapAnswer ReadGatewayAnswer(std::string_view bytes, std::vector<std::string>& gateway);
SoapAnswer ReadDnsAnswer(std::string_view bytes, std::vector<std::string>& dns);
// Each user's name and level ("Administrator", "Operator", "User", or the
// camera's own word); a user without a name is left out.
SoapAnswer ReadUsersAnswer(std::string_view bytes, std::vector<OnvifUser>& users);
SoapAnswer ReadSetNetworkInterfacesAnswer(std::string_view bytes, bool& rebootNeeded);
// An answer whose content is not needed: "<operation>Response" in the device namespace.
SoapAnswer ReadPlainAnswer(std::string_view bytes, std::string_view operation);
