// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/soap_request.h"

#include <ctime>
#include <random>

#include "onvif/auth_digests.h"

WsseToken MakeWsseToken(const std::string& user, const std::string& password,
                        std::chrono::system_clock::time_point created) {
    WsseToken token;
    token.user = user;
    std::random_device random;
    token.nonce.resize(16);
    for (char& c : token.nonce) c = static_cast<char>(random() & 0xff);
    token.created = FormatUtc(created);
    token.digest = WsSecurityPasswordDigest(token.nonce, token.created, password);
    return token;
}

std::string FormatUtc(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string EscapeXmlText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string SoapEnvelope(std::string_view body, const std::optional<WsseToken>& token) {
    std::string xml = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<s:Envelope xmlns:s=\"") +
                      onvif_ns::kSoap + "\" xmlns:tds=\"" + onvif_ns::kDevice + "\" xmlns:tt=\"" + onvif_ns::kSchema +
                      "\">";
    if (token) {
        xml += std::string("<s:Header><wsse:Security s:mustUnderstand=\"1\" xmlns:wsse=\"") + onvif_ns::kWsse +
               "\" xmlns:wsu=\"" + onvif_ns::kWsu + "\"><wsse:UsernameToken><wsse:Username>" +
               EscapeXmlText(token->user) + "</wsse:Username><wsse:Password Type=\"" + onvif_ns::kPasswordDigest +
               "\">" + token->digest +
               "</wsse:Password><wsse:Nonce EncodingType=\"http://docs.oasis-open.org/wss/"
               "2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary\">" +
               Base64Encode(token->nonce) + "</wsse:Nonce><wsu:Created>" + token->created +
               "</wsu:Created></wsse:UsernameToken></wsse:Security></s:Header>";
    }
    xml += "<s:Body>";
    xml += body;
    xml += "</s:Body></s:Envelope>";
    return xml;
}

std::string ServiceAction(std::string_view ns, std::string_view operation) {
    return std::string(ns) + "/" + std::string(operation);
}
