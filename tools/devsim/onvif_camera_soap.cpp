// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/onvif_camera_soap.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <mutex>
#include <random>

#include "onvif/auth_digests.h"
#include "onvif/soap_request.h"
#include "onvif/xml_reader.h"
#include "tools/devsim/onvif_camera_media.h"

namespace {

using namespace onvif_ns;
using SystemClock = std::chrono::system_clock;

constexpr const char* kSoap11 = "http://schemas.xmlsoap.org/soap/envelope/";
constexpr const char* kRealm = "devsim-onvif";
constexpr std::size_t kKeptNonces = 64;
constexpr double kWsseWindowSeconds = 5;

// Operations ONVIF lets anyone call.
constexpr const char* kOpen[] = {"GetSystemDateAndTime", "GetServices",          "GetCapabilities",       "GetHostname",
                                 "GetWsdlUrl",           "GetEndpointReference", "GetServiceCapabilities"};

std::string Envelope(const std::string& body) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<env:Envelope xmlns:env=\"") + kSoap +
           "\" xmlns:tds=\"" + kDevice + "\" xmlns:tt=\"" + kSchema +
           "\" xmlns:ter=\"http://www.onvif.org/ver10/error\"><env:Body>" + body + "</env:Body></env:Envelope>";
}

OnvifSimAnswer Fault(int status, const std::string& code, const std::vector<std::string>& subcodes,
                     const std::string& reason) {
    std::string codeXml = "<env:Value>" + code + "</env:Value>";
    std::string close;
    for (const auto& sub : subcodes) {
        codeXml += "<env:Subcode><env:Value>" + sub + "</env:Value>";
        close += "</env:Subcode>";
    }
    OnvifSimAnswer answer;
    answer.status = status;
    answer.body =
        Envelope("<env:Fault><env:Code>" + codeXml + close + "</env:Code><env:Reason><env:Text xml:lang=\"en\">" +
                 EscapeXmlText(reason) + "</env:Text></env:Reason></env:Fault>");
    answer.faultCode = code;
    answer.faultSubcodes = subcodes;
    answer.faultReason = reason;
    return answer;
}

// The fault as a camera speaking SOAP 1.1 says it: HTTP 500 (a Digest
// challenge stays 401), text/xml, the subcodes in the detail.
void AsSoap11(OnvifSimAnswer& answer) {
    std::string detail;
    for (const auto& sub : answer.faultSubcodes) detail += "<ter:Subcode>" + sub + "</ter:Subcode>";
    answer.body = std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"") +
                  kSoap11 +
                  "\" xmlns:ter=\"http://www.onvif.org/ver10/error\"><SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>" +
                  (answer.faultCode == "env:Sender" ? "SOAP-ENV:Client" : "SOAP-ENV:Server") +
                  "</faultcode><faultstring>" + EscapeXmlText(answer.faultReason) + "</faultstring><detail>" + detail +
                  "</detail></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>";
    answer.contentType = "text/xml; charset=utf-8";
    if (answer.status != 401) answer.status = 500;
}

OnvifSimAnswer Response(const std::string& operation, const std::string& content) {
    OnvifSimAnswer answer;
    answer.body = Envelope("<tds:" + operation + "Response>" + content + "</tds:" + operation + "Response>");
    return answer;
}

std::string Trimmed(std::string text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::string Text(const xmlNode* parent, const char* ns, const char* name) {
    return Trimmed(XmlText(XmlChild(parent, ns, name)));
}

bool IsIpv4(const std::string& text) {
    in_addr a{};
    return ::inet_pton(AF_INET, text.c_str(), &a) == 1;
}

bool SameSubnet(const std::string& a, const std::string& b, int prefixLength) {
    in_addr x{}, y{};
    if (::inet_pton(AF_INET, a.c_str(), &x) != 1 || ::inet_pton(AF_INET, b.c_str(), &y) != 1) return false;
    const std::uint32_t mask = prefixLength <= 0 ? 0 : 0xFFFFFFFFu << (32 - std::min(prefixLength, 32));
    return (ntohl(x.s_addr) & mask) == (ntohl(y.s_addr) & mask);
}

std::string Element(const char* name, const std::string& value) {
    return std::string("<tt:") + name + ">" + EscapeXmlText(value) + "</tt:" + name + ">";
}

std::string DateTime(const char* name, SystemClock::time_point when) {
    const std::time_t seconds = SystemClock::to_time_t(when);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    return std::string("<tt:") + name + "><tt:Time>" + Element("Hour", std::to_string(utc.tm_hour)) +
           Element("Minute", std::to_string(utc.tm_min)) + Element("Second", std::to_string(utc.tm_sec)) +
           "</tt:Time><tt:Date>" + Element("Year", std::to_string(utc.tm_year + 1900)) +
           Element("Month", std::to_string(utc.tm_mon + 1)) + Element("Day", std::to_string(utc.tm_mday)) +
           "</tt:Date></tt:" + name + ">";
}

SystemClock::time_point CameraNow(const OnvifSimSettings& camera, SystemClock::time_point now) {
    return now +
           std::chrono::duration_cast<SystemClock::duration>(std::chrono::duration<double>(camera.clockOffsetSeconds));
}

std::optional<SystemClock::time_point> ParseCreated(const std::string& text) {
    std::tm tm{};
    const char* end = strptime(text.c_str(), "%Y-%m-%dT%H:%M:%S", &tm);
    if (end == nullptr) return std::nullopt;
    std::string rest = end;
    if (!rest.empty() && rest.front() == '.') rest.erase(0, rest.find_first_not_of("0123456789", 1));
    if (rest != "Z") return std::nullopt;
    return SystemClock::from_time_t(timegm(&tm));
}

bool TokenAccepted(const xmlNode* envelope, const OnvifSimSettings& camera, const OnvifSimOptions& options,
                   SystemClock::time_point now) {
    const xmlNode* header = XmlChild(envelope, XmlNamespace(envelope), "Header");
    const xmlNode* token = XmlChild(XmlChild(header, kWsse, "Security"), kWsse, "UsernameToken");
    if (token == nullptr || Text(token, kWsse, "Username") != options.user) return false;
    const xmlNode* password = XmlChild(token, kWsse, "Password");
    const auto nonce = Base64Decode(Text(token, kWsse, "Nonce"));
    const std::string created = Text(token, kWsu, "Created");
    const auto when = ParseCreated(created);
    if (password == nullptr || !nonce || !when) return false;
    const double skew = std::chrono::duration<double>(*when - CameraNow(camera, now)).count();
    if (std::fabs(skew) > kWsseWindowSeconds) return false;
    return Trimmed(XmlText(password)) == WsSecurityPasswordDigest(*nonce, created, OnvifSimPassword(camera, options));
}

struct DigestAuthorization {
    HttpDigestInput input;
    std::string response;
};

// key=value and key="value" pairs of a Digest Authorization header.
std::optional<DigestAuthorization> ParseDigestHeader(const std::string& header) {
    if (header.rfind("Digest ", 0) != 0) return std::nullopt;
    HttpDigestInput in;
    in.algorithm = "MD5";
    std::string response;
    std::size_t pos = 7;
    for (int guard = 0; pos < header.size() && guard < 32; ++guard) {
        pos = header.find_first_not_of(" ,", pos);
        if (pos == std::string::npos) break;
        const std::size_t eq = header.find('=', pos);
        if (eq == std::string::npos) return std::nullopt;
        const std::string key = header.substr(pos, eq - pos);
        std::string value;
        pos = eq + 1;
        if (pos < header.size() && header[pos] == '"') {
            const std::size_t close = header.find('"', pos + 1);
            if (close == std::string::npos) return std::nullopt;
            value = header.substr(pos + 1, close - pos - 1);
            pos = close + 1;
        } else {
            const std::size_t comma = header.find(',', pos);
            value = Trimmed(header.substr(pos, comma - pos));
            pos = comma;
        }
        if (key == "username") in.user = value;
        if (key == "realm") in.realm = value;
        if (key == "uri") in.uri = value;
        if (key == "nonce") in.nonce = value;
        if (key == "nc") in.nc = value;
        if (key == "cnonce") in.cnonce = value;
        if (key == "qop") in.qop = value;
        if (key == "algorithm") in.algorithm = value;
        if (key == "response") response = value;
    }
    return DigestAuthorization{in, response};
}

bool DigestAccepted(const std::string& header, const std::string& method, const OnvifSimSettings& camera,
                    const OnvifSimOptions& options, const OnvifSimNonces& nonces) {
    auto parsed = ParseDigestHeader(header);
    if (!parsed) return false;
    HttpDigestInput& in = parsed->input;
    if (in.user != options.user || in.realm != kRealm || in.qop != "auth") return false;
    if (std::find(nonces.issued.begin(), nonces.issued.end(), in.nonce) == nonces.issued.end()) return false;
    in.password = OnvifSimPassword(camera, options);
    in.method = method;
    const std::string expected = HttpDigestResponse(in);
    return !expected.empty() && expected == parsed->response;
}

std::string NewNonce() {
    static std::mutex mutex;
    static std::mt19937_64 random(std::random_device{}());
    std::lock_guard lock(mutex);
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random()));
    return text;
}

// The Digest challenge's header lines, its nonce remembered.
std::string DigestChallenge(OnvifSimNonces& nonces) {
    const std::string nonce = NewNonce();
    nonces.issued.push_back(nonce);
    while (nonces.issued.size() > kKeptNonces) nonces.issued.pop_front();
    std::string headers;
    for (const char* algorithm : {"SHA-256", "MD5"})
        headers += std::string("WWW-Authenticate: Digest realm=\"") + kRealm +
                   "\", qop=\"auth\", algorithm=" + algorithm + ", nonce=\"" + nonce + "\"\r\n";
    return headers;
}

OnvifSimAnswer NotAuthorized(const OnvifSimOptions& options, OnvifSimNonces& nonces) {
    const bool digest = options.auth == OnvifSimAuth::Digest || options.auth == OnvifSimAuth::Both;
    OnvifSimAnswer answer = Fault(digest ? 401 : 400, "env:Sender", {"ter:NotAuthorized"}, "Sender not Authorized");
    if (digest) answer.headers += DigestChallenge(nonces);
    return answer;
}

// A picture is asked for by a plain GET, which only HTTP authentication can
// sign: Digest, whatever the SOAP calls take.
OnvifSimAnswer AnswerSnapshotRequest(const OnvifSimSettings& camera, const OnvifSimOptions& options,
                                     OnvifSimNonces& nonces, const OnvifSimRequest& request) {
    OnvifSimAnswer answer;
    answer.operation = "snapshot";
    if (request.method != "GET") {
        answer.status = 405;
        answer.body = "Method Not Allowed\n";
    } else if (options.auth != OnvifSimAuth::None &&
               !DigestAccepted(request.authorization, request.method, camera, options, nonces)) {
        answer.status = 401;
        answer.body = "Unauthorized\n";
        answer.headers = DigestChallenge(nonces);
    } else {
        answer = AnswerSimSnapshot(camera, request.path);
    }
    return answer;
}

std::string DeviceXaddr(const OnvifSimSettings& camera) {
    return "http://" + camera.address + (camera.port == 80 ? "" : ":" + std::to_string(camera.port)) +
           "/onvif/device_service";
}

// The settings as configured: a new address shows before the camera moves to it.
std::string Interfaces(const OnvifSimSettings& camera) {
    const bool dhcp = camera.configured ? camera.configured->dhcp : camera.dhcp;
    const bool moving = camera.configured && !dhcp;
    const std::string address =
        "<tt:Address>" + (moving ? camera.configured->address : camera.address) + "</tt:Address><tt:PrefixLength>" +
        std::to_string(moving ? camera.configured->prefixLength : camera.prefixLength) + "</tt:PrefixLength>";
    return "<tds:NetworkInterfaces token=\"eth0\"><tt:Enabled>true</tt:Enabled><tt:Info><tt:Name>eth0</tt:Name>"
           "<tt:HwAddress>" +
           camera.mac +
           "</tt:HwAddress><tt:MTU>1500</tt:MTU></tt:Info><tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config>" +
           (dhcp ? "<tt:FromDHCP>" + address + "</tt:FromDHCP><tt:DHCP>true</tt:DHCP>"
                 : "<tt:Manual>" + address + "</tt:Manual><tt:DHCP>false</tt:DHCP>") +
           "</tt:Config></tt:IPv4></tds:NetworkInterfaces>";
}

OnvifSimAnswer InvalidArgument(const std::string& subcode, const std::string& reason) {
    return Fault(400, "env:Sender", {"ter:InvalidArgVal", "ter:" + subcode}, reason);
}

OnvifSimAnswer Operate(const std::string& operation, const xmlNode* request, OnvifSimSettings& camera,
                       const OnvifSimOptions& options, SystemClock::time_point now) {
    if (operation == "GetSystemDateAndTime") {
        // A camera of local time only stands in Nepal: a zone east of
        // Greenwich (negative in POSIX) with minutes, so a sign or a minute
        // read wrong shows.
        const auto nepal = std::chrono::hours(5) + std::chrono::minutes(45);
        // A summer-time camera stands in Central Europe, an hour more on summer time.
        const auto local =
            camera.quirks.dst ? std::chrono::hours(camera.daylightSavings ? 2 : 1) : std::chrono::hours(0);
        const std::string clock = camera.quirks.localClock
                                      ? "<tt:TimeZone><tt:TZ>&lt;+0545&gt;-5:45</tt:TZ></tt:TimeZone>" +
                                            DateTime("LocalDateTime", CameraNow(camera, now) + nepal)
                                      : "<tt:TimeZone>" + Element("TZ", camera.timeZone) + "</tt:TimeZone>" +
                                            DateTime("UTCDateTime", CameraNow(camera, now)) +
                                            DateTime("LocalDateTime", CameraNow(camera, now) + local);
        return Response(operation, std::string("<tds:SystemDateAndTime><tt:DateTimeType>") +
                                       (camera.ntp ? "NTP" : "Manual") + "</tt:DateTimeType><tt:DaylightSavings>" +
                                       (camera.daylightSavings ? "true" : "false") + "</tt:DaylightSavings>" + clock +
                                       "</tds:SystemDateAndTime>");
    }
    if (operation == "GetUsers")
        return Response(operation, "<tds:User>" + Element("Username", options.user) +
                                       "<tt:UserLevel>Administrator</tt:UserLevel></tds:User>");
    if (operation == "GetHostname")
        return Response(operation, "<tds:HostnameInformation><tt:FromDHCP>false</tt:FromDHCP>" +
                                       Element("Name", camera.hostname) + "</tds:HostnameInformation>");
    if (operation == "GetServices")
        return Response(operation, std::string("<tds:Service><tds:Namespace>") + kDevice +
                                       "</tds:Namespace><tds:XAddr>" + DeviceXaddr(camera) +
                                       "</tds:XAddr><tds:Version><tt:Major>2</tt:Major><tt:Minor>60</tt:Minor>"
                                       "</tds:Version></tds:Service>" +
                                       SimMediaServicesXml(camera));
    if (operation == "GetCapabilities")
        return Response(operation, "<tds:Capabilities><tt:Device><tt:XAddr>" + DeviceXaddr(camera) +
                                       "</tt:XAddr><tt:Network><tt:IPFilter>false</tt:IPFilter><tt:ZeroConfiguration>"
                                       "false</tt:ZeroConfiguration><tt:IPVersion6>false</tt:IPVersion6>"
                                       "<tt:DynDNS>false</tt:DynDNS></tt:Network></tt:Device>" +
                                       SimMediaCapabilityXml(camera) + "</tds:Capabilities>");
    if (operation == "GetDeviceInformation")
        return Response(operation, "<tds:Manufacturer>" + EscapeXmlText(camera.manufacturer) + "</tds:Manufacturer>" +
                                       "<tds:Model>" + EscapeXmlText(camera.model) +
                                       "</tds:Model><tds:FirmwareVersion>" + EscapeXmlText(camera.firmware) +
                                       "</tds:FirmwareVersion><tds:SerialNumber>" + EscapeXmlText(camera.serial) +
                                       "</tds:SerialNumber><tds:HardwareId>" + EscapeXmlText(camera.hardwareId) +
                                       "</tds:HardwareId>");
    if (operation == "GetNetworkInterfaces") return Response(operation, Interfaces(camera));
    if (operation == "GetNetworkDefaultGateway")
        return Response(operation,
                        "<tds:NetworkGateway>" +
                            (camera.gateway.empty() ? std::string() : Element("IPv4Address", camera.gateway)) +
                            "</tds:NetworkGateway>");
    if (operation == "GetDNS")
        return Response(operation,
                        "<tds:DNSInformation><tt:FromDHCP>false</tt:FromDHCP>" +
                            (camera.dns.empty() ? std::string()
                                                : "<tt:DNSManual><tt:Type>IPv4</tt:Type>" +
                                                      Element("IPv4Address", camera.dns) + "</tt:DNSManual>") +
                            "</tds:DNSInformation>");
    if (operation == "SetSystemDateAndTime") {
        const std::string type = Text(request, kDevice, "DateTimeType");
        if (type == "NTP") {
            camera.ntp = true;
            return Response(operation, "");
        }
        const xmlNode* utc = XmlChild(request, kDevice, "UTCDateTime");
        const xmlNode* date = XmlChild(utc, kSchema, "Date");
        const xmlNode* time = XmlChild(utc, kSchema, "Time");
        std::tm tm{};
        try {
            tm.tm_year = std::stoi(Text(date, kSchema, "Year")) - 1900;
            tm.tm_mon = std::stoi(Text(date, kSchema, "Month")) - 1;
            tm.tm_mday = std::stoi(Text(date, kSchema, "Day"));
            tm.tm_hour = std::stoi(Text(time, kSchema, "Hour"));
            tm.tm_min = std::stoi(Text(time, kSchema, "Minute"));
            tm.tm_sec = std::stoi(Text(time, kSchema, "Second"));
        } catch (...) {
            return InvalidArgument("InvalidDateTime", "The suggested date and time is not valid.");
        }
        if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour < 0 || tm.tm_hour > 23 ||
            tm.tm_min < 0 || tm.tm_min > 59 || tm.tm_sec < 0 || tm.tm_sec > 60)
            return InvalidArgument("InvalidDateTime", "The suggested date and time is not valid.");
        camera.ntp = false;
        camera.clockOffsetSeconds = std::chrono::duration<double>(SystemClock::from_time_t(timegm(&tm)) - now).count();
        // As cameras do: summer time as told, the zone only where one is given.
        camera.daylightSavings = Text(request, kDevice, "DaylightSavings") == "true";
        if (const std::string zone = Text(XmlChild(request, kDevice, "TimeZone"), kSchema, "TZ"); !zone.empty())
            camera.timeZone = zone;
        return Response(operation, "");
    }
    if (operation == "SetNetworkDefaultGateway") {
        const std::string gateway = Text(request, kDevice, "IPv4Address");
        if (!IsIpv4(gateway)) return InvalidArgument("InvalidGatewayAddress", "The gateway address is not valid.");
        if (camera.quirks.gatewaySubnet && !SameSubnet(gateway, camera.address, camera.prefixLength))
            return InvalidArgument("InvalidGatewayAddress", "Invalid gateway address:\r\n\tnot in the subnet " +
                                                                camera.address + "/" +
                                                                std::to_string(camera.prefixLength));
        if (!camera.quirks.ignoreChange) camera.gateway = gateway;
        return Response(operation, "");
    }
    if (operation == "SetDNS") {
        const bool fromDhcp = Text(request, kDevice, "FromDHCP") == "true";
        const std::string dns = Text(XmlChild(request, kDevice, "DNSManual"), kSchema, "IPv4Address");
        if (!fromDhcp && !IsIpv4(dns)) return InvalidArgument("InvalidIPv4Address", "The DNS address is not valid.");
        if (!camera.quirks.ignoreChange) camera.dns = fromDhcp ? std::string() : dns;
        return Response(operation, "");
    }
    if (operation == "SetNetworkInterfaces") {
        if (Text(request, kDevice, "InterfaceToken") != "eth0")
            return InvalidArgument("InvalidNetworkInterface", "There is no such network interface.");
        const xmlNode* ipv4 = XmlChild(XmlChild(request, kDevice, "NetworkInterface"), kSchema, "IPv4");
        OnvifSimAddressChange change;
        change.dhcp = Text(ipv4, kSchema, "DHCP") == "true";
        if (!change.dhcp) {
            const xmlNode* manual = XmlChild(ipv4, kSchema, "Manual");
            change.address = Text(manual, kSchema, "Address");
            const std::string prefix = Text(manual, kSchema, "PrefixLength");
            change.prefixLength =
                prefix.size() > 0 && prefix.size() <= 2 && prefix.find_first_not_of("0123456789") == std::string::npos
                    ? std::stoi(prefix)
                    : -1;
            if (!IsIpv4(change.address) || change.prefixLength < 1 || change.prefixLength > 32)
                return InvalidArgument("InvalidIPv4Address", "The suggested IPv4 address is invalid.");
        }
        OnvifSimAnswer answer =
            Response(operation, std::string("<tds:RebootNeeded>") +
                                    (options.rebootNeeded && !camera.quirks.ignoreChange ? "true" : "false") +
                                    "</tds:RebootNeeded>");
        if (camera.quirks.ignoreChange) return answer;
        answer.change = change;
        camera.configured = change;
        return answer;
    }
    if (operation == "SetUser") {
        // One user, the administrator; cameras take one change per call.
        const xmlNode* user = XmlChild(request, kDevice, "User");
        if (Text(user, kSchema, "Username") != options.user)
            return InvalidArgument("UsernameMissing", "There is no such user on this camera.");
        const xmlNode* password = XmlChild(user, kSchema, "Password");
        if (password == nullptr) return Response(operation, "");
        const std::string text = XmlText(password);
        if (const std::string refusal = OnvifSimPasswordRefusal(text); !refusal.empty())
            return Fault(400, "env:Sender", {"ter:OperationProhibited", "ter:PasswordTooWeak"}, refusal);
        camera.password = text;
        return Response(operation, "");
    }
    if (operation == "SystemReboot") {
        OnvifSimAnswer answer = Response(operation, "<tds:Message>Rebooting in 1 second</tds:Message>");
        answer.reboot = true;
        return answer;
    }
    return Fault(500, "env:Receiver", {"ter:ActionNotSupported"}, "Optional Action Not Implemented");
}

OnvifSimAnswer Answer(OnvifSimSettings& camera, const OnvifSimOptions& options, OnvifSimNonces& nonces,
                      const OnvifSimRequest& request, SystemClock::time_point now) {
    if (IsSimSnapshotPath(request.path)) return AnswerSnapshotRequest(camera, options, nonces, request);
    const std::optional<std::string> service = SimServiceAt(camera, request.path);
    if (!service) {
        OnvifSimAnswer answer;
        answer.status = 404;
        answer.body = "Not Found\n";
        return answer;
    }
    const bool digestOffered = options.auth == OnvifSimAuth::Digest || options.auth == OnvifSimAuth::Both;
    // An HTTP client starting Digest sends its POST without a body first and
    // waits for the challenge, as a camera's web server gives before any SOAP.
    if (request.body.empty() && digestOffered &&
        !DigestAccepted(request.authorization, request.method, camera, options, nonces))
        return NotAuthorized(options, nonces);
    std::string problem;
    XmlDocPtr doc = ReadUntrustedXml(request.body, problem);
    const xmlNode* envelope = doc ? xmlDocGetRootElement(doc.get()) : nullptr;
    const bool soap12 = IsXmlElement(envelope, kSoap, "Envelope");
    if (request.method != "POST" || (!soap12 && !IsXmlElement(envelope, kSoap11, "Envelope")))
        return Fault(400, "env:Sender", {}, "Not a SOAP request" + (problem.empty() ? "" : ": " + problem));
    const xmlNode* operationNode = XmlFirstElement(XmlChild(envelope, XmlNamespace(envelope), "Body"));
    if (XmlNamespace(operationNode) != *service)
        return Fault(500, "env:Receiver", {"ter:ActionNotSupported"}, "Optional Action Not Implemented");
    const std::string operation(XmlName(operationNode));
    const OnvifSimQuirks& quirks = camera.quirks;
    const bool device = *service == kDevice;
    bool open = device && std::find(std::begin(kOpen), std::end(kOpen), operation) != std::end(kOpen);
    if (quirks.clockAuth && operation == "GetSystemDateAndTime") open = false;
    if (quirks.openReads && operation.rfind("Get", 0) == 0) open = true;
    OnvifSimAnswer answer;
    if (quirks.soap11 && operation == "GetServices") {
        answer.status = 400;
        answer.contentType = "text/html";
        answer.body = "<html><head><title>400 Bad Request</title></head><body><h1>Bad Request</h1></body></html>\n";
    } else if (quirks.openReads && operation == "GetUsers") {
        answer = Fault(500, "env:Receiver", {"ter:ActionNotSupported"}, "Optional Action Not Implemented");
    } else if (!open && options.auth != OnvifSimAuth::None) {
        const bool wsse = (options.auth == OnvifSimAuth::Wsse || options.auth == OnvifSimAuth::Both) &&
                          TokenAccepted(envelope, camera, options, now);
        const bool digest = (options.auth == OnvifSimAuth::Digest || options.auth == OnvifSimAuth::Both) &&
                            DigestAccepted(request.authorization, request.method, camera, options, nonces);
        if (!wsse && !digest) answer = NotAuthorized(options, nonces);
    }
    if (answer.body.empty()) {
        if (std::find(options.refuse.begin(), options.refuse.end(), operation) != options.refuse.end())
            answer = Fault(500, "env:Receiver", {"ter:Action"}, operation + " is refused by this camera");
        else if (device)
            answer = Operate(operation, operationNode, camera, options, now);
        else
            answer = AnswerSimMediaOperation(*service, operation, operationNode, camera, options);
    }
    answer.operation = operation;
    return answer;
}

}  // namespace

std::string OnvifSimPassword(const OnvifSimSettings& camera, const OnvifSimOptions& options) {
    return camera.password.value_or(options.password);
}

std::string OnvifSimPasswordRefusal(const std::string& password) {
    constexpr std::string_view kTaken = "!#$%()*+,-./=?@[]^_{}~";
    if (password.size() < 8) return "The password is too short: at least 8 characters.";
    if (password.size() > 64) return "The password is too long: at most 64 characters.";
    for (const char c : password)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) &&
            kTaken.find(c) == std::string_view::npos)
            return "The password holds a character this camera does not take (letters, digits and " +
                   std::string(kTaken) + " only).";
    return {};
}

OnvifSimAnswer OnvifSimFault(int status, const std::string& code, const std::vector<std::string>& subcodes,
                             const std::string& reason) {
    return Fault(status, code, subcodes, reason);
}

OnvifSimAnswer AnswerOnvifRequest(OnvifSimSettings& camera, const OnvifSimOptions& options, OnvifSimNonces& nonces,
                                  const OnvifSimRequest& request, SystemClock::time_point now) {
    OnvifSimAnswer answer = Answer(camera, options, nonces, request, now);
    if (camera.quirks.soap11 && !answer.faultReason.empty()) AsSoap11(answer);
    return answer;
}

std::string SerializeOnvifAnswer(const OnvifSimAnswer& answer) {
    const char* reason = answer.status == 200   ? "OK"
                         : answer.status == 400 ? "Bad Request"
                         : answer.status == 401 ? "Unauthorized"
                         : answer.status == 404 ? "Not Found"
                         : answer.status == 405 ? "Method Not Allowed"
                                                : "Internal Server Error";
    const bool soap = answer.body.rfind("<?xml", 0) == 0;
    const std::string type = !answer.contentType.empty() ? answer.contentType
                             : soap                      ? "application/soap+xml; charset=utf-8"
                                                         : "text/plain";
    return "HTTP/1.1 " + std::to_string(answer.status) + " " + reason +
           "\r\nServer: lanvaro-devsim\r\nContent-Type: " + type +
           "\r\nContent-Length: " + std::to_string(answer.body.size()) + "\r\nConnection: close\r\n" + answer.headers +
           "\r\n" + answer.body;
}
