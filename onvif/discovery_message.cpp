// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/discovery_message.h"

#include <libxml/tree.h>

#include "onvif/xml_reader.h"

namespace {

bool IsDiscoveryNs(std::string_view ns) { return ns == wsd::kDiscovery2005 || ns == wsd::kDiscovery2009; }
bool IsAddressingNs(std::string_view ns) { return ns == wsd::kAddressing2004 || ns == wsd::kAddressing2005; }

std::string FirstItem(const xmlNode* node, bool& cut) {
    XmlItems items = XmlTextItems(node);
    if (items.items.empty()) {
        cut = cut || items.dropped > 0;
        return {};
    }
    return std::move(items.items.front());
}

std::vector<std::string> Items(XmlItems list, bool& cut) {
    cut = cut || list.dropped > 0;
    return std::move(list.items);
}

// The children of a ProbeMatch or a Hello, whichever discovery namespace
// the message uses for them.
const xmlNode* DiscoveryChild(const xmlNode* parent, std::string_view name) {
    for (const xmlNode* child = parent->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE && XmlName(child) == name && IsDiscoveryNs(XmlNamespace(child)))
            return child;
    return nullptr;
}

DiscoveryEntry ReadEntry(const xmlNode* match) {
    DiscoveryEntry entry;
    OnvifDeviceInfo& device = entry.device;
    bool& cut = entry.cut;
    for (const xmlNode* child = match->children; child != nullptr; child = child->next) {
        if (child->type != XML_ELEMENT_NODE || XmlName(child) != "EndpointReference") continue;
        if (!IsAddressingNs(XmlNamespace(child))) continue;
        for (const xmlNode* address = child->children; address != nullptr; address = address->next)
            if (address->type == XML_ELEMENT_NODE && XmlName(address) == "Address" &&
                IsAddressingNs(XmlNamespace(address))) {
                device.endpoint = FirstItem(address, cut);
                break;
            }
        break;
    }
    if (const xmlNode* types = DiscoveryChild(match, "Types")) {
        XmlItems list = XmlQNameItems(types);
        entry.statesTypes = list.named > 0;
        device.types = Items(std::move(list), cut);
    }
    if (const xmlNode* scopes = DiscoveryChild(match, "Scopes")) device.scopes = Items(XmlTextItems(scopes), cut);
    if (const xmlNode* xaddrs = DiscoveryChild(match, "XAddrs")) device.xaddrs = Items(XmlTextItems(xaddrs), cut);
    if (const xmlNode* version = DiscoveryChild(match, "MetadataVersion"))
        device.metadataVersion = FirstItem(version, cut);
    if (device.endpoint.empty() && !device.xaddrs.empty()) device.endpoint = device.xaddrs.front();
    return entry;
}

std::string RelatesTo(const xmlNode* envelope, std::string_view soap) {
    const xmlNode* header = XmlChild(envelope, soap, "Header");
    for (std::string_view addressing : {wsd::kAddressing2004, wsd::kAddressing2005})
        if (const xmlNode* relatesTo = XmlChild(header, addressing, "RelatesTo")) {
            bool cut = false;
            return FirstItem(relatesTo, cut);
        }
    return {};
}

DiscoveryMessage Malformed(std::string why) {
    DiscoveryMessage message;
    message.detail = std::move(why);
    return message;
}

}  // namespace

DiscoveryMessage ParseDiscoveryMessage(std::string_view datagram) {
    std::string problem;
    std::string notes;
    const XmlDocPtr doc = ReadUntrustedXml(datagram, problem, &notes);
    if (!doc) return Malformed(problem);

    const xmlNode* envelope = xmlDocGetRootElement(doc.get());
    const std::string_view soap = XmlNamespace(envelope);
    if (XmlName(envelope) != "Envelope" || (soap != wsd::kSoap12 && soap != wsd::kSoap11))
        return Malformed("not a SOAP envelope");
    const xmlNode* body = XmlChild(envelope, soap, "Body");
    const xmlNode* content = XmlFirstElement(body);
    if (content == nullptr) return Malformed("no SOAP body content");

    DiscoveryMessage message;
    message.parserNote = std::move(notes);
    if (IsDiscoveryNs(XmlNamespace(content)) && XmlName(content) == "ProbeMatches") {
        message.kind = DiscoveryKind::ProbeMatches;
        message.relatesTo = RelatesTo(envelope, soap);
        std::size_t kept = 0;
        for (const xmlNode* match = content->children; match != nullptr; match = match->next) {
            if (!IsXmlElement(match, XmlNamespace(content), "ProbeMatch")) continue;
            if (kept > kMaxDatagramTextBytes) {
                ++message.entriesNotRead;
                continue;
            }
            message.entries.push_back(ReadEntry(match));
            kept += OnvifTextBytes(message.entries.back().device);
        }
    } else if (IsDiscoveryNs(XmlNamespace(content)) && XmlName(content) == "Hello") {
        message.kind = DiscoveryKind::Hello;
        message.entries.push_back(ReadEntry(content));
    } else {
        message.kind = DiscoveryKind::Other;
        message.detail = std::string(XmlName(content));
        if (IsDiscoveryNs(XmlNamespace(content)) && message.detail == "Bye")
            message.entries.push_back(ReadEntry(content));
    }
    return message;
}

bool HoldsOnvifType(const std::vector<std::string>& types) {
    for (const std::string& type : types)
        for (std::string_view ns : {wsd::kNetworkWsdl, wsd::kDeviceWsdl})
            if (type.size() > ns.size() + 2 && type.front() == '{' && type.compare(1, ns.size(), ns) == 0 &&
                type[ns.size() + 1] == '}') {
                const std::string_view local = std::string_view(type).substr(ns.size() + 2);
                if (local == (ns == wsd::kNetworkWsdl ? "NetworkVideoTransmitter" : "Device")) return true;
            }
    return false;
}

std::size_t OnvifTextBytes(const OnvifDeviceInfo& device) {
    std::size_t bytes =
        device.endpoint.size() + device.metadataVersion.size() + device.answeredFrom.size() + device.xaddr.size();
    for (const auto* list : {&device.types, &device.scopes, &device.xaddrs})
        for (const std::string& item : *list) bytes += item.size();
    return bytes;
}
