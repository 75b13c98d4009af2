#include "onvif/discovery_message.h"

#include <libxml/tree.h>

#include "onvif/xml_reader.h"

namespace {

bool IsDiscoveryNs(std::string_view ns) { return ns == wsd::kDiscovery2005 || ns == wsd::kDiscovery2009; }
bool IsAddressingNs(std::string_view ns) { return ns == wsd::kAddressing2004 || ns == wsd::kAddressing2005; }

std::string FirstItem(const xmlNode* node) {
    const auto items = XmlTextList(node);
    return items.empty() ? std::string() : items.front();
}

// The children of a ProbeMatch or a Hello, whichever discovery namespace
// the message uses for them.
const xmlNode* DiscoveryChild(const xmlNode* parent, std::string_view name) {
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE && XmlName(child) == name && IsDiscoveryNs(XmlNamespace(child)))
            return child;
    return nullptr;
}

OnvifDeviceInfo ReadDevice(const xmlNode* match) {
    OnvifDeviceInfo device;
    for (const xmlNode* child = match->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE || XmlName(child) != "EndpointReference") continue;
        if (!IsAddressingNs(XmlNamespace(child))) continue;
        for (const xmlNode* address = child->children; address != nullptr; address = address->next)
            if (address->type == XML_ELEMENT_NODE && XmlName(address) == "Address" &&
                IsAddressingNs(XmlNamespace(address))) {
                device.endpoint = FirstItem(address);
                break;
            }
        break;
    }
    if (const xmlNode* types = DiscoveryChild(match, "Types")) device.types = XmlQNameList(types);
    if (const xmlNode* scopes = DiscoveryChild(match, "Scopes")) device.scopes = XmlTextList(scopes);
    if (const xmlNode* xaddrs = DiscoveryChild(match, "XAddrs")) device.xaddrs = XmlTextList(xaddrs);
    if (const xmlNode* version = DiscoveryChild(match, "MetadataVersion")) device.metadataVersion = FirstItem(version);
    if (device.endpoint.empty() && !device.xaddrs.empty()) device.endpoint = device.xaddrs.front();
    return device;
}

DiscoveryMessage Malformed(std::string why) {
    DiscoveryMessage message;
    message.detail = std::move(why);
    return message;
}

}  // namespace

DiscoveryMessage ParseDiscoveryMessage(std::string_view datagram) {
    std::string problem;
    const XmlDocPtr doc = ReadUntrustedXml(datagram, problem);
    if (!doc) return Malformed(problem);

    const xmlNode* envelope = xmlDocGetRootElement(doc.get());
    const std::string_view soap = XmlNamespace(envelope);
    if (XmlName(envelope) != "Envelope" || (soap != wsd::kSoap12 && soap != wsd::kSoap11))
        return Malformed("not a SOAP envelope");
    const xmlNode* body = XmlChild(envelope, soap, "Body");
    const xmlNode* content = XmlFirstElement(body);
    if (content == nullptr) return Malformed("no SOAP body content");

    DiscoveryMessage message;
    if (IsDiscoveryNs(XmlNamespace(content)) && XmlName(content) == "ProbeMatches") {
        message.kind = DiscoveryKind::ProbeMatches;
        for (const xmlNode* match = content->children; match != nullptr; match = match->next)
            if (IsXmlElement(match, XmlNamespace(content), "ProbeMatch")) message.devices.push_back(ReadDevice(match));
    } else if (IsDiscoveryNs(XmlNamespace(content)) && XmlName(content) == "Hello") {
        message.kind = DiscoveryKind::Hello;
        message.devices.push_back(ReadDevice(content));
    } else {
        message.kind = DiscoveryKind::Other;
        message.detail = std::string(XmlName(content));
    }
    return message;
}
