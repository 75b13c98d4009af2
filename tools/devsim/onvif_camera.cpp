// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/onvif_camera.h"

#include <algorithm>

#include "tools/devsim/upnp_camera.h"

namespace {

const char* const kTransmitter = "{http://www.onvif.org/ver10/network/wsdl}NetworkVideoTransmitter";
const char* const kDevice = "{http://www.onvif.org/ver10/device/wsdl}Device";
const char* const kHardware[] = {"KV-410T", "VX-2140-IR", "QL-310%20Mk%20II", "ZN-6004"};

// 200 cameras a /24 from 127.77.0.0, the third byte kept below 250 (faulty
// cameras stand at 127.77.250.x), on into 127.78 and beyond.
std::string Ip(int k) {
    const int block = k / 200;
    return "127." + std::to_string(77 + block / 250) + "." + std::to_string(block % 250) + "." +
           std::to_string(k % 200 + 10);
}

std::string Joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : " ") + XmlEscape(item);
    return text;
}

// The types as QNames with the prefixes the answer declares.
std::string TypeNames(const std::vector<std::string>& types) {
    std::vector<std::string> names;
    for (const auto& type : types) names.push_back(type == kTransmitter ? "dn:NetworkVideoTransmitter" : "tds:Device");
    return Joined(names);
}

}  // namespace

std::vector<OnvifCamera> GenerateOnvifCameras(int count, int first) {
    std::vector<OnvifCamera> cameras;
    for (int k = first; k < first + count; ++k) {
        OnvifCamera c;
        char endpoint[64];
        std::snprintf(endpoint, sizeof endpoint, "urn:uuid:4f4e5649-4600-4000-8000-%012d", k);
        c.endpoint = endpoint;
        if (k % 10 == 4)
            c.types = {kDevice};
        else
            c.types = {kTransmitter, kDevice};
        c.scopes.push_back(std::string("onvif://www.onvif.org/hardware/") + kHardware[k % 4]);
        if (k % 3 == 0)
            c.scopes.push_back("onvif://www.onvif.org/name/Lobby%20Camera%20" + std::to_string(k));
        else
            c.scopes.push_back("onvif://www.onvif.org/name/cam-" + std::to_string(k));
        if (k == 3) c.scopes.push_back("onvif://www.onvif.org/name/Second%20Name");
        c.scopes.push_back("onvif://www.onvif.org/location/country/sweden");
        c.scopes.push_back("onvif://www.onvif.org/Profile/Streaming");
        if (k == 1) c.xaddrs.push_back("http://[fe80::77:1]/onvif/device_service");
        c.xaddrs.push_back("http://" + Ip(k) + (k == 2 ? ":8080" : "") + "/onvif/device_service");
        cameras.push_back(std::move(c));
    }
    return cameras;
}

OnvifCamera FaultyOnvifCamera(OnvifCameraFault fault) {
    OnvifCamera c = GenerateOnvifCameras(1).front();
    const int n = static_cast<int>(fault);
    char endpoint[64];
    std::snprintf(endpoint, sizeof endpoint, "urn:uuid:4f4e5649-4600-4000-8000-fa017000000%d", n);
    c.endpoint = endpoint;
    c.scopes = {"onvif://www.onvif.org/hardware/Faulty", "onvif://www.onvif.org/name/fault-" + std::to_string(n)};
    c.xaddrs = {"http://127.77.250." + std::to_string(n) + "/onvif/device_service"};
    c.fault = fault;
    return c;
}

bool OnvifCameraMatches(const OnvifCamera& camera, const std::vector<std::string>& probedTypes) {
    return std::all_of(probedTypes.begin(), probedTypes.end(), [&](const std::string& type) {
        return std::find(camera.types.begin(), camera.types.end(), type) != camera.types.end();
    });
}

std::string OnvifHello(const OnvifCamera& camera, const std::string& messageId) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:w=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
           " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
           " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\">"
           "<e:Header><w:MessageID>" +
           messageId +
           "</w:MessageID><w:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</w:To>"
           "<w:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Hello</w:Action></e:Header>"
           "<e:Body><d:Hello><w:EndpointReference><w:Address>" +
           camera.endpoint + "</w:Address></w:EndpointReference><d:Types>" + TypeNames(camera.types) +
           "</d:Types><d:Scopes>" + Joined(camera.scopes) + "</d:Scopes><d:XAddrs>" + Joined(camera.xaddrs) +
           "</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:Hello></e:Body></e:Envelope>";
}

std::string OnvifBye(const OnvifCamera& camera, const std::string& messageId) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<e:Envelope xmlns:e=\"http://www.w3.org/2003/05/soap-envelope\""
           " xmlns:w=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
           " xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\">"
           "<e:Header><w:MessageID>" +
           messageId +
           "</w:MessageID><w:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</w:To>"
           "<w:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/Bye</w:Action></e:Header>"
           "<e:Body><d:Bye><w:EndpointReference><w:Address>" +
           camera.endpoint + "</w:Address></w:EndpointReference></d:Bye></e:Body></e:Envelope>";
}

std::string OnvifProbeMatches(const OnvifCamera& camera, const std::string& relatesTo, const std::string& messageId) {
    std::string head =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://www.w3.org/2003/05/soap-envelope\""
        " xmlns:wsa=\"http://schemas.xmlsoap.org/ws/2004/08/addressing\""
        " xmlns:wsdd=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\""
        " xmlns:dn=\"http://www.onvif.org/ver10/network/wsdl\" xmlns:tds=\"http://www.onvif.org/ver10/device/wsdl\">"
        "<SOAP-ENV:Header><wsa:MessageID>" +
        messageId + "</wsa:MessageID><wsa:RelatesTo>" + XmlEscape(relatesTo) +
        "</wsa:RelatesTo><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>"
        "<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches</wsa:Action></SOAP-ENV:Header>"
        "<SOAP-ENV:Body><wsdd:ProbeMatches><wsdd:ProbeMatch>"
        "<wsa:EndpointReference><wsa:Address>" +
        camera.endpoint + "</wsa:Address></wsa:EndpointReference><wsdd:Types>";
    const std::string scopes = camera.fault == OnvifCameraFault::Bomb ? "&e9;" : Joined(camera.scopes);
    std::string body = head + TypeNames(camera.types) + "</wsdd:Types><wsdd:Scopes>" + scopes +
                       "</wsdd:Scopes><wsdd:XAddrs>" + Joined(camera.xaddrs) +
                       "</wsdd:XAddrs><wsdd:MetadataVersion>1</wsdd:MetadataVersion>"
                       "</wsdd:ProbeMatch></wsdd:ProbeMatches></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    switch (camera.fault) {
        case OnvifCameraFault::Malformed:
            return body.substr(0, body.find("<wsdd:Scopes>")) + "<wsdd:Scopes>onvif://x</wsdd:Typ";
        case OnvifCameraFault::Bomb: {
            // Each entity ten of the one before: &e9; would be 10^9 copies.
            std::string dtd = "<!DOCTYPE SOAP-ENV:Envelope [<!ENTITY e0 \"onvif://www.onvif.org/name/bomb\">";
            for (int i = 1; i <= 9; ++i) {
                dtd += "<!ENTITY e" + std::to_string(i) + " \"";
                for (int j = 0; j < 10; ++j) dtd += "&e" + std::to_string(i - 1) + ";";
                dtd += "\">";
            }
            dtd += "]>\n";
            return body.insert(body.find('\n') + 1, dtd);
        }
        default:
            return body;
    }
}
