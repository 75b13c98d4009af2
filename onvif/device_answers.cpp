#include "onvif/device_answers.h"

#include <ctime>
#include <functional>

#include "onvif/soap_request.h"
#include "onvif/xml_reader.h"

namespace {

using namespace onvif_ns;

// A flood of list entries cannot grow without bound, whatever fits in the
// answer's size limit.
constexpr std::size_t kMaxListItems = 64;

std::string Trimmed(std::string text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string ChildText(const xmlNode* parent, const char* ns, const char* name) {
    return Trimmed(XmlText(XmlChild(parent, ns, name)));
}

bool IsTrue(const std::string& text) { return text == "true" || text == "1"; }

std::vector<const xmlNode*> Children(const xmlNode* parent, const char* ns, const char* name) {
    std::vector<const xmlNode*> found;
    if (parent == nullptr) return found;
    for (const xmlNode* child = parent->children; child != nullptr && found.size() < kMaxListItems; child = child->next)
        if (IsXmlElement(child, ns, name)) found.push_back(child);
    return found;
}

bool NamesNotAuthorized(const xmlNode* code) {
    for (int depth = 0; code != nullptr && depth < 8; ++depth) {
        for (const std::string& qname : XmlQNameList(XmlChild(code, kSoap, "Value"))) {
            const std::string local = qname.substr(qname.rfind('}') == std::string::npos ? 0 : qname.rfind('}') + 1);
            const std::string bare = local.substr(local.find(':') == std::string::npos ? 0 : local.find(':') + 1);
            if (bare == "NotAuthorized" || bare == "FailedAuthentication" || bare == "InvalidSecurityToken" ||
                bare == "InvalidSecurity")
                return true;
        }
        code = XmlChild(code, kSoap, "Subcode");
    }
    return false;
}

// Opens the envelope and hands the named response element to `read`.
SoapAnswer ReadAnswer(std::string_view bytes, std::string_view responseName,
                      const std::function<bool(const xmlNode*, std::string&)>& read) {
    SoapAnswer answer;
    std::string problem;
    XmlDocPtr doc = ReadUntrustedXml(bytes, problem);
    if (!doc) {
        answer.problem = problem;
        return answer;
    }
    const xmlNode* envelope = xmlDocGetRootElement(doc.get());
    if (!IsXmlElement(envelope, kSoap, "Envelope")) {
        answer.problem = "not a SOAP 1.2 envelope";
        return answer;
    }
    const xmlNode* content = XmlFirstElement(XmlChild(envelope, kSoap, "Body"));
    if (IsXmlElement(content, kSoap, "Fault")) {
        answer.kind = SoapAnswerKind::Fault;
        const xmlNode* code = XmlChild(content, kSoap, "Code");
        answer.notAuthorized = NamesNotAuthorized(code);
        answer.problem = ChildText(XmlChild(content, kSoap, "Reason"), kSoap, "Text");
        if (answer.problem.empty()) answer.problem = ChildText(code, kSoap, "Value");
        if (answer.problem.empty()) answer.problem = "SOAP fault without a reason";
        return answer;
    }
    if (!IsXmlElement(content, kDevice, responseName)) {
        answer.problem = "no " + std::string(responseName) + " in the answer";
        return answer;
    }
    if (!read(content, answer.problem)) return answer;
    answer.kind = SoapAnswerKind::Response;
    answer.problem.clear();
    return answer;
}

bool ReadInt(const xmlNode* parent, const char* name, int low, int high, int& value) {
    const std::string text = ChildText(parent, kSchema, name);
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return value >= low && value <= high;
}

}  // namespace

SoapAnswer ReadDateTimeAnswer(std::string_view bytes, CameraClock& clock) {
    return ReadAnswer(bytes, "GetSystemDateAndTimeResponse", [&](const xmlNode* response, std::string& problem) {
        const xmlNode* system = XmlChild(response, kDevice, "SystemDateAndTime");
        const xmlNode* utc = XmlChild(system, kSchema, "UTCDateTime");
        const xmlNode* date = XmlChild(utc, kSchema, "Date");
        const xmlNode* time = XmlChild(utc, kSchema, "Time");
        std::tm tm{};
        // The clock counts nanoseconds in 64 bits: past 2262 it would wrap.
        if (!ReadInt(date, "Year", 1970, 2200, tm.tm_year) || !ReadInt(date, "Month", 1, 12, tm.tm_mon) ||
            !ReadInt(date, "Day", 1, 31, tm.tm_mday) || !ReadInt(time, "Hour", 0, 23, tm.tm_hour) ||
            !ReadInt(time, "Minute", 0, 59, tm.tm_min) || !ReadInt(time, "Second", 0, 60, tm.tm_sec)) {
            problem = "no readable UTCDateTime";
            return false;
        }
        tm.tm_year -= 1900;
        tm.tm_mon -= 1;
        clock.utc = std::chrono::system_clock::from_time_t(timegm(&tm));
        clock.ntp = ChildText(system, kSchema, "DateTimeType") == "NTP";
        return true;
    });
}

SoapAnswer ReadHostnameAnswer(std::string_view bytes, std::string& hostname) {
    return ReadAnswer(bytes, "GetHostnameResponse", [&](const xmlNode* response, std::string&) {
        hostname = ChildText(XmlChild(response, kDevice, "HostnameInformation"), kSchema, "Name");
        return true;
    });
}

SoapAnswer ReadDeviceInformationAnswer(std::string_view bytes, OnvifDeviceFacts& facts) {
    return ReadAnswer(bytes, "GetDeviceInformationResponse", [&](const xmlNode* response, std::string&) {
        facts.manufacturer = ChildText(response, kDevice, "Manufacturer");
        facts.model = ChildText(response, kDevice, "Model");
        facts.firmware = ChildText(response, kDevice, "FirmwareVersion");
        facts.serial = ChildText(response, kDevice, "SerialNumber");
        facts.hardwareId = ChildText(response, kDevice, "HardwareId");
        return true;
    });
}

SoapAnswer ReadNetworkInterfacesAnswer(std::string_view bytes, std::vector<OnvifNetworkInterface>& interfaces) {
    return ReadAnswer(bytes, "GetNetworkInterfacesResponse", [&](const xmlNode* response, std::string&) {
        std::vector<OnvifNetworkInterface> read;
        for (const xmlNode* node : Children(response, kDevice, "NetworkInterfaces")) {
            OnvifNetworkInterface card;
            const xmlChar* token = xmlGetNoNsProp(node, reinterpret_cast<const xmlChar*>("token"));
            if (token != nullptr) {
                card.token = reinterpret_cast<const char*>(token);
                xmlFree(const_cast<xmlChar*>(token));
            }
            card.enabled = IsTrue(ChildText(node, kSchema, "Enabled"));
            card.mac = ChildText(XmlChild(node, kSchema, "Info"), kSchema, "HwAddress");
            const xmlNode* ipv4 = XmlChild(node, kSchema, "IPv4");
            const xmlNode* config = XmlChild(ipv4, kSchema, "Config");
            card.dhcp = IsTrue(ChildText(config, kSchema, "DHCP"));
            // Where it answers now: a camera whose DHCP server never answered
            // sits at its link-local address, whatever manual one it still lists.
            const xmlNode* address = XmlChild(config, kSchema, card.dhcp ? "FromDHCP" : "Manual");
            if (address == nullptr) address = XmlChild(config, kSchema, "LinkLocal");
            card.address = ChildText(address, kSchema, "Address");
            int prefix = 0;
            if (ReadInt(address, "PrefixLength", 0, 32, prefix)) card.prefixLength = prefix;
            read.push_back(std::move(card));
        }
        interfaces = std::move(read);
        return true;
    });
}

SoapAnswer ReadGatewayAnswer(std::string_view bytes, std::vector<std::string>& gateway) {
    return ReadAnswer(bytes, "GetNetworkDefaultGatewayResponse", [&](const xmlNode* response, std::string&) {
        gateway.clear();
        for (const xmlNode* node : Children(XmlChild(response, kDevice, "NetworkGateway"), kSchema, "IPv4Address"))
            gateway.push_back(Trimmed(XmlText(node)));
        return true;
    });
}

SoapAnswer ReadDnsAnswer(std::string_view bytes, std::vector<std::string>& dns) {
    return ReadAnswer(bytes, "GetDNSResponse", [&](const xmlNode* response, std::string&) {
        const xmlNode* info = XmlChild(response, kDevice, "DNSInformation");
        const bool fromDhcp = IsTrue(ChildText(info, kSchema, "FromDHCP"));
        dns.clear();
        for (const xmlNode* server : Children(info, kSchema, fromDhcp ? "DNSFromDHCP" : "DNSManual")) {
            std::string address = ChildText(server, kSchema, "IPv4Address");
            if (address.empty()) address = ChildText(server, kSchema, "IPv6Address");
            if (!address.empty()) dns.push_back(std::move(address));
        }
        return true;
    });
}

SoapAnswer ReadSetNetworkInterfacesAnswer(std::string_view bytes, bool& rebootNeeded) {
    return ReadAnswer(bytes, "SetNetworkInterfacesResponse", [&](const xmlNode* response, std::string&) {
        rebootNeeded = IsTrue(ChildText(response, kDevice, "RebootNeeded"));
        return true;
    });
}

SoapAnswer ReadPlainAnswer(std::string_view bytes, std::string_view operation) {
    return ReadAnswer(bytes, std::string(operation) + "Response", [](const xmlNode*, std::string&) { return true; });
}
