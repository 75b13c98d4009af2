// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/probe_message.h"

#include <libxml/tree.h>

#include <cstdio>
#include <mutex>
#include <random>

#include "onvif/discovery_message.h"
#include "onvif/xml_reader.h"

const char* const kOnvifProbeTypes[2] = {"{http://www.onvif.org/ver10/network/wsdl}NetworkVideoTransmitter",
                                         "{http://www.onvif.org/ver10/device/wsdl}Device"};

std::string NewMessageId() {
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    {
        std::lock_guard lock(mutex);
        high = generator();
        low = generator();
    }
    high = (high & ~0xF000ULL) | 0x4000ULL;            // version 4
    low = (low & ~(0xC0ULL << 56)) | (0x80ULL << 56);  // RFC 4122 variant
    char text[64];
    std::snprintf(text, sizeof text, "urn:uuid:%08x-%04x-%04x-%04x-%012llx", static_cast<unsigned>(high >> 32),
                  static_cast<unsigned>((high >> 16) & 0xFFFF), static_cast<unsigned>(high & 0xFFFF),
                  static_cast<unsigned>(low >> 48), static_cast<unsigned long long>(low & 0xFFFFFFFFFFFFULL));
    return text;
}

std::string BuildProbe(const std::string& messageId, const std::string& type) {
    std::string ns;
    std::string local = type;
    if (!type.empty() && type.front() == '{') {
        const std::size_t close = type.find('}');
        if (close != std::string::npos) {
            ns = type.substr(1, close - 1);
            local = type.substr(close + 1);
        }
    }
    return std::string(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
               "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\""
               " xmlns:a=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
               " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" xmlns:t=\"") +
           ns +
           "\">"
           "<s:Header>"
           "<a:Action s:mustUnderstand=\"1\">http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe</a:Action>"
           "<a:MessageID>" +
           messageId +
           "</a:MessageID>"
           "<a:ReplyTo><a:Address>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</a:Address>"
           "</a:ReplyTo>"
           "<a:To s:mustUnderstand=\"1\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"
           "</s:Header>"
           "<s:Body><d:Probe><d:Types>t:" +
           local + "</d:Types></d:Probe></s:Body></s:Envelope>";
}

std::optional<ProbeRequest> ParseProbe(std::string_view datagram) {
    std::string problem;
    const XmlDocPtr doc = ReadUntrustedXml(datagram, problem);
    if (!doc) return std::nullopt;
    const xmlNode* envelope = xmlDocGetRootElement(doc.get());
    const std::string_view soap = XmlNamespace(envelope);
    if (XmlName(envelope) != "Envelope" || (soap != wsd::kSoap12 && soap != wsd::kSoap11)) return std::nullopt;
    const xmlNode* probe = XmlFirstElement(XmlChild(envelope, soap, "Body"));
    if (probe == nullptr || XmlName(probe) != "Probe") return std::nullopt;
    const std::string_view version = XmlNamespace(probe);
    if (version != wsd::kDiscovery2005 && version != wsd::kDiscovery2009) return std::nullopt;

    ProbeRequest request;
    const xmlNode* header = XmlChild(envelope, soap, "Header");
    for (std::string_view addressing : {wsd::kAddressing2004, wsd::kAddressing2005})
        if (const xmlNode* id = XmlChild(header, addressing, "MessageID")) {
            const auto items = XmlTextList(id);
            if (!items.empty()) request.messageId = items.front();
        }
    if (const xmlNode* types = XmlChild(probe, version, "Types")) request.types = XmlQNameList(types);
    return request;
}
