// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/device_answers.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <functional>

#include "onvif/posix_time_zone.h"
#include "onvif/soap_request.h"
#include "onvif/xml_reader.h"
#include "protocol/utf8_text.h"

namespace {

using namespace onvif_ns;

// A flood of list entries cannot grow without bound, whatever fits in the
// answer's size limit.
constexpr std::size_t kMaxListItems = 64;
constexpr std::size_t kMaxTimeZone = 128;

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

// The first `limit` characters, a cut marked by "...". A byte outside valid
// UTF-8 counts as one character, so no sequence is split.
std::string CutText(const std::string& text, std::size_t limit) {
    std::size_t at = 0;
    for (std::size_t count = 0; at < text.size() && count < limit; ++count)
        at += std::max<std::size_t>(1, Utf8Length(text, at));
    return at >= text.size() ? text : text.substr(0, at) + "...";
}

std::vector<const xmlNode*> Children(const xmlNode* parent, const char* ns, const char* name) {
    std::vector<const xmlNode*> found;
    if (parent == nullptr) return found;
    for (const xmlNode* child = parent->children; child != nullptr && found.size() < kMaxListItems; child = child->next)
        if (IsXmlElement(child, ns, name)) found.push_back(child);
    return found;
}

constexpr const char* kSoap11 = "http://schemas.xmlsoap.org/soap/envelope/";

// "ter:NotAuthorized", "{ns}NotAuthorized", SOAP 1.1's "env:Client.NotAuthorized".
bool IsRefusalName(std::string_view name) {
    name.remove_prefix(name.rfind('}') == std::string_view::npos ? 0 : name.rfind('}') + 1);
    name.remove_prefix(name.find(':') == std::string_view::npos ? 0 : name.find(':') + 1);
    for (std::size_t start = 0; start <= name.size();) {
        const std::size_t dot = std::min(name.find('.', start), name.size());
        const std::string_view part = name.substr(start, dot - start);
        if (part == "NotAuthorized" || part == "FailedAuthentication" || part == "InvalidSecurityToken" ||
            part == "InvalidSecurity")
            return true;
        start = dot + 1;
    }
    return false;
}

// Whether the element, its names or its text below name a refused sign-in;
// cameras put it in a subcode, a SOAP 1.1 faultcode or anywhere in a detail.
// The walk is bounded, as the answer is the camera's.
bool MentionsRefusal(const xmlNode* node, int depth, int& budget) {
    if (node == nullptr || depth > 8 || --budget < 0) return false;
    for (const std::string& item : XmlTextList(node))
        if (IsRefusalName(item)) return true;
    for (const xmlNode* child = node->children; child != nullptr; child = child->next)
        if (child->type == XML_ELEMENT_NODE &&
            (IsRefusalName(XmlName(child)) || MentionsRefusal(child, depth + 1, budget)))
            return true;
    return false;
}

bool MentionsRefusal(const xmlNode* node) {
    int budget = 512;
    return MentionsRefusal(node, 0, budget);
}

// The fault of either SOAP version: its reason and whether it refuses the sign-in.
void ReadFault(const xmlNode* fault, bool soap11, SoapAnswer& answer) {
    answer.kind = SoapAnswerKind::Fault;
    if (soap11) {
        // SOAP 1.1 leaves the fault's children unqualified; some cameras qualify them.
        auto child = [fault](const char* name) {
            const xmlNode* found = XmlChild(fault, "", name);
            return found != nullptr ? found : XmlChild(fault, kSoap11, name);
        };
        answer.notAuthorized = MentionsRefusal(child("faultcode")) || MentionsRefusal(child("detail"));
        answer.problem = Trimmed(XmlText(child("faultstring")));
        if (answer.problem.empty()) answer.problem = Trimmed(XmlText(child("faultcode")));
    } else {
        const xmlNode* code = XmlChild(fault, kSoap, "Code");
        answer.notAuthorized = MentionsRefusal(code) || MentionsRefusal(XmlChild(fault, kSoap, "Detail"));
        answer.problem = ChildText(XmlChild(fault, kSoap, "Reason"), kSoap, "Text");
        if (answer.problem.empty()) answer.problem = ChildText(code, kSoap, "Value");
    }
    if (answer.problem.empty()) answer.problem = "SOAP fault without a reason";
    answer.problem = CutText(answer.problem, kMaxFaultReason);
}

}  // namespace

// A SOAP 1.1 envelope is read for its fault only: the services speak 1.2,
// but a camera's web server may refuse in 1.1 before the service sees the
// request.
SoapAnswer ReadServiceAnswer(std::string_view bytes, std::string_view ns, std::string_view responseName,
                             const std::function<bool(const xmlNode*, std::string&)>& read) {
    SoapAnswer answer;
    std::string problem;
    XmlDocPtr doc = ReadUntrustedXml(bytes, problem);
    if (!doc) {
        answer.problem = problem;
        return answer;
    }
    const xmlNode* envelope = xmlDocGetRootElement(doc.get());
    const bool soap11 = IsXmlElement(envelope, kSoap11, "Envelope");
    if (!soap11 && !IsXmlElement(envelope, kSoap, "Envelope")) {
        answer.problem = "not a SOAP 1.2 envelope";
        return answer;
    }
    const xmlNode* content = XmlFirstElement(XmlChild(envelope, soap11 ? kSoap11 : kSoap, "Body"));
    if (IsXmlElement(content, soap11 ? kSoap11 : kSoap, "Fault")) {
        ReadFault(content, soap11, answer);
        return answer;
    }
    if (soap11) {
        answer.problem = "not a SOAP 1.2 envelope";
        return answer;
    }
    if (!IsXmlElement(content, ns, responseName)) {
        answer.problem = "no " + std::string(responseName) + " in the answer";
        return answer;
    }
    if (!read(content, answer.problem)) return answer;
    answer.kind = SoapAnswerKind::Response;
    answer.problem.clear();
    return answer;
}

namespace {

SoapAnswer ReadAnswer(std::string_view bytes, std::string_view responseName,
                      const std::function<bool(const xmlNode*, std::string&)>& read) {
    return ReadServiceAnswer(bytes, kDevice, responseName, read);
}

bool ReadInt(const xmlNode* parent, const char* name, int low, int high, int& value) {
    const std::string text = ChildText(parent, kSchema, name);
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stoi(text);
    return value >= low && value <= high;
}

}  // namespace

namespace {

// A tt:DateTime's wall clock as seconds since the epoch; nullopt when it is
// no date: a 64-bit nanosecond clock wraps past 2262, and 30 February is no day.
std::optional<std::int64_t> WallSeconds(const xmlNode* dateTime) {
    const xmlNode* date = XmlChild(dateTime, kSchema, "Date");
    const xmlNode* time = XmlChild(dateTime, kSchema, "Time");
    int y = 0, m = 0, d = 0, hour = 0, minute = 0, second = 0;
    if (!ReadInt(date, "Year", 1970, 2200, y) || !ReadInt(date, "Month", 1, 12, m) || !ReadInt(date, "Day", 1, 31, d) ||
        !ReadInt(time, "Hour", 0, 23, hour) || !ReadInt(time, "Minute", 0, 59, minute) ||
        !ReadInt(time, "Second", 0, 60, second))
        return std::nullopt;
    const std::chrono::year_month_day day{std::chrono::year(y), std::chrono::month(static_cast<unsigned>(m)),
                                          std::chrono::day(static_cast<unsigned>(d))};
    if (!day.ok()) return std::nullopt;
    return std::chrono::sys_seconds(std::chrono::sys_days(day)).time_since_epoch().count() + hour * 3600 + minute * 60 +
           second;
}

}  // namespace

SoapAnswer ReadDateTimeAnswer(std::string_view bytes, CameraClock& clock) {
    return ReadAnswer(bytes, "GetSystemDateAndTimeResponse", [&](const xmlNode* response, std::string& problem) {
        const xmlNode* system = XmlChild(response, kDevice, "SystemDateAndTime");
        std::string note;
        auto utc = WallSeconds(XmlChild(system, kSchema, "UTCDateTime"));
        if (!utc) {
            // Some cameras give only their local time: it is as good as the
            // zone it comes with.
            utc = WallSeconds(XmlChild(system, kSchema, "LocalDateTime"));
            const std::string zoneText = ChildText(XmlChild(system, kSchema, "TimeZone"), kSchema, "TZ");
            const auto zone = ParsePosixTimeZone(zoneText);
            if (utc && zone) {
                utc = PosixLocalToUtc(*zone, *utc);
            } else if (utc) {
                note = zoneText.empty() ? "the camera names no time zone: its local time is taken as UTC"
                                        : "the camera's time zone \"" + zoneText +
                                              "\" is no POSIX TZ text: its local time is taken as UTC";
            }
        }
        if (!utc) {
            problem = "no readable UTCDateTime or LocalDateTime";
            return false;
        }
        clock.utc = std::chrono::system_clock::time_point(std::chrono::seconds(*utc));
        clock.ntp = ChildText(system, kSchema, "DateTimeType") == "NTP";
        clock.daylightSavings = IsTrue(ChildText(system, kSchema, "DaylightSavings"));
        // Sent back as it came; a zone no camera would write is left out.
        clock.timeZone = ChildText(XmlChild(system, kSchema, "TimeZone"), kSchema, "TZ");
        if (clock.timeZone.size() > kMaxTimeZone) clock.timeZone.clear();
        clock.note = note;
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

SoapAnswer ReadUsersAnswer(std::string_view bytes, std::vector<OnvifUser>& users) {
    return ReadAnswer(bytes, "GetUsersResponse", [&](const xmlNode* response, std::string&) {
        users.clear();
        for (const xmlNode* node : Children(response, kDevice, "User")) {
            OnvifUser user{ChildText(node, kSchema, "Username"), ChildText(node, kSchema, "UserLevel")};
            if (!user.name.empty()) users.push_back(std::move(user));
        }
        return true;
    });
}
