// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The digests of ONVIF sign-in: WS-Security's PasswordDigest (the client
// sends it, the simulated camera checks it) and the HTTP Digest response
// (libcurl computes the client's; the simulated camera checks it).

#include <optional>
#include <string>
#include <string_view>

std::string Base64Encode(std::string_view bytes);
// nullopt for text that is not Base64.
std::optional<std::string> Base64Decode(std::string_view text);

// Base64(SHA-1(nonce + created + password)), nonce as raw bytes.
std::string WsSecurityPasswordDigest(std::string_view nonce, std::string_view created, std::string_view password);

struct HttpDigestInput {
    std::string algorithm;  // "MD5" or "SHA-256" (the -sess variants are not offered)
    std::string user, realm, password;
    std::string method, uri;
    std::string nonce, nc, cnonce, qop;  // qop "auth"
};

// The lowercase hex `response` of RFC 7616 with qop auth; empty for an
// algorithm not named above.
std::string HttpDigestResponse(const HttpDigestInput& input);
