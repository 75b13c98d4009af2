// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The SOAP 1.2 requests of the ONVIF device service, with the WS-Security
// UsernameToken header when signing in that way.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace onvif_ns {
inline constexpr const char* kSoap = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr const char* kDevice = "http://www.onvif.org/ver10/device/wsdl";
inline constexpr const char* kSchema = "http://www.onvif.org/ver10/schema";
inline constexpr const char* kMedia = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr const char* kMedia2 = "http://www.onvif.org/ver20/media/wsdl";
inline constexpr const char* kWsse =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
inline constexpr const char* kWsu =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
inline constexpr const char* kPasswordDigest =
    "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
}  // namespace onvif_ns

struct WsseToken {
    std::string user;
    std::string nonce;    // raw bytes
    std::string created;  // "YYYY-MM-DDThh:mm:ssZ"
    std::string digest;   // Base64
};

// A token with a fresh random nonce, created at `created` (the camera's
// idea of now, not this computer's).
WsseToken MakeWsseToken(const std::string& user, const std::string& password,
                        std::chrono::system_clock::time_point created);

// "YYYY-MM-DDThh:mm:ssZ"
std::string FormatUtc(std::chrono::system_clock::time_point when);

// Text for an element's content or an attribute value.
std::string EscapeXmlText(std::string_view text);

// The envelope around `body` (elements in the tds/tt prefixes, already
// escaped), with the token's Security header when given.
std::string SoapEnvelope(std::string_view body, const std::optional<WsseToken>& token);

// The SOAP action of a service's operation: "<namespace>/<operation>",
// "http://www.onvif.org/ver10/device/wsdl/GetUsers".
std::string ServiceAction(std::string_view ns, std::string_view operation);
