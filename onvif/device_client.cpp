#include "onvif/device_client.h"

#include <arpa/inet.h>

#include <cmath>
#include <functional>
#include <map>
#include <mutex>

#include "onvif/device_answers.h"
#include "onvif/soap_request.h"
#include "onvif/soap_transport.h"
#include "protocol/text_format.h"

namespace {

using SystemClock = std::chrono::system_clock;
using Reader = std::function<SoapAnswer(std::string_view)>;
constexpr std::chrono::milliseconds kCallTimeout{5000};

// The sign-in method that worked for each XAddr, for the rest of the run:
// later clients of the same camera try it first.
std::mutex rememberedMutex;
std::map<std::string, OnvifAuthMethod>& Remembered() {
    static std::map<std::string, OnvifAuthMethod> methods;
    return methods;
}

std::optional<OnvifAuthMethod> RememberedMethod(const std::string& xaddr) {
    std::lock_guard lock(rememberedMutex);
    const auto found = Remembered().find(xaddr);
    return found == Remembered().end() ? std::nullopt : std::optional(found->second);
}

void RememberMethod(const std::string& xaddr, OnvifAuthMethod method) {
    std::lock_guard lock(rememberedMutex);
    Remembered()[xaddr] = method;
}

bool IsIpv4(const std::string& text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

OnvifCallResult Success() { return {OnvifCallStatus::Ok, {}}; }

std::string JoinedOrNone(const std::vector<std::string>& items) {
    const std::string text = Joined(items);
    return text.empty() ? "none" : text;
}

}  // namespace

struct OnvifClientState {
    std::optional<double> clockOffset;
    bool clockRefused = false;  // GetSystemDateAndTime refused unsigned: read it signed
    std::optional<OnvifAuthMethod> method;
    bool open = false;  // signed in, the password not proved yet
    std::optional<OnvifCredentials> credentials;
    bool refused = false;  // a refused sign-in: nothing more is sent until the next SignIn
};

OnvifDeviceClient::OnvifDeviceClient(std::string xaddr)
    : xaddr_(std::move(xaddr)), state_(std::make_unique<OnvifClientState>()) {}

OnvifDeviceClient::~OnvifDeviceClient() = default;

namespace {

struct CallContext {
    const std::string& xaddr;
    const std::optional<double>& clockOffset;
    const std::optional<OnvifCredentials>& credentials;
    // The service called at `xaddr`: its namespace starts the SOAP action.
    std::string_view ns = onvif_ns::kDevice;
    std::string_view service = "device";
};

// One call's outcome, with what the sign-in needs to know beyond it.
struct Answer {
    OnvifCallResult result;
    bool heard = false;    // an HTTP answer came back
    bool service = false;  // and it was a SOAP response or fault, or a sign-in refused
};

std::string RefusedMessage(const std::string& xaddr) {
    return "Sign-in refused by " + xaddr + ": check the user name and password.";
}

std::string NotAdministratorMessage(const std::string& xaddr) {
    return "Sign-in to " + xaddr + " refused: wrong password, or the user is not an administrator.";
}

bool IsRefusal(OnvifCallStatus status) {
    return status == OnvifCallStatus::SignInRefused || status == OnvifCallStatus::Refused;
}

Answer Send(const CallContext& context, std::string_view operation, const std::string& body, OnvifAuthMethod method,
            const Reader& read) {
    std::optional<WsseToken> token;
    std::optional<OnvifCredentials> digest;
    if (method != OnvifAuthMethod::None && context.credentials) {
        if (method == OnvifAuthMethod::HttpDigest) {
            digest = context.credentials;
        } else {
            const auto offset = std::chrono::duration_cast<SystemClock::duration>(
                std::chrono::duration<double>(context.clockOffset.value_or(0.0)));
            token =
                MakeWsseToken(context.credentials->user, context.credentials->password, SystemClock::now() + offset);
        }
    }
    const SoapHttpReply reply =
        PostSoap(context.xaddr, ServiceAction(context.ns, operation), SoapEnvelope(body, token), digest, kCallTimeout);
    const std::string name(operation);
    if (reply.tooLarge) return {{OnvifCallStatus::Failed, name + " of " + context.xaddr + ": " + reply.error}, true};
    if (!reply.connected)
        return {{OnvifCallStatus::NoService, "No ONVIF " + std::string(context.service) + " service answered at " +
                                                 context.xaddr + " (" + reply.error + ")"}};
    const SoapAnswer answer = read(reply.body);
    if (answer.kind == SoapAnswerKind::Response) return {Success(), true, true};
    // A web server that wants HTTP Digest for every call says so before any SOAP.
    if (reply.status == 401 || reply.status == 403 || (answer.kind == SoapAnswerKind::Fault && answer.notAuthorized))
        return {{OnvifCallStatus::SignInRefused, RefusedMessage(context.xaddr)}, true, true};
    if (answer.kind == SoapAnswerKind::Fault)
        return {{OnvifCallStatus::Refused, name + " refused by " + context.xaddr + ": " + answer.problem}, true, true};
    if (reply.status != 200)
        return {{OnvifCallStatus::NoService, "No ONVIF " + std::string(context.service) + " service answered at " +
                                                 context.xaddr + " (HTTP " + std::to_string(reply.status) + ")"},
                true};
    return {
        {OnvifCallStatus::Failed, "Unreadable answer to " + name + " from " + context.xaddr + ": " + answer.problem},
        true};
}

Answer AskClock(const CallContext& context, OnvifAuthMethod method, CameraClock& clock) {
    return Send(context, "GetSystemDateAndTime", "<tds:GetSystemDateAndTime/>", method,
                [&](std::string_view bytes) { return ReadDateTimeAnswer(bytes, clock); });
}

std::string DateTimeBody(SystemClock::time_point now) {
    const std::time_t seconds = SystemClock::to_time_t(now);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    auto element = [](const char* name, int value) {
        return std::string("<tt:") + name + ">" + std::to_string(value) + "</tt:" + name + ">";
    };
    return "<tds:SetSystemDateAndTime><tds:DateTimeType>Manual</tds:DateTimeType>"
           "<tds:DaylightSavings>false</tds:DaylightSavings><tds:UTCDateTime><tt:Date>" +
           element("Year", utc.tm_year + 1900) + element("Month", utc.tm_mon + 1) + element("Day", utc.tm_mday) +
           "</tt:Date><tt:Time>" + element("Hour", utc.tm_hour) + element("Minute", utc.tm_min) +
           element("Second", utc.tm_sec) + "</tt:Time></tds:UTCDateTime></tds:SetSystemDateAndTime>";
}

std::string InterfaceBody(const std::string& token, const OnvifNetworkChange& change) {
    std::string ipv4 = "<tt:IPv4><tt:Enabled>true</tt:Enabled>";
    if (change.dhcp)
        ipv4 += "<tt:DHCP>true</tt:DHCP>";
    else
        ipv4 += "<tt:Manual><tt:Address>" + EscapeXmlText(change.address) + "</tt:Address><tt:PrefixLength>" +
                std::to_string(change.prefixLength) + "</tt:PrefixLength></tt:Manual><tt:DHCP>false</tt:DHCP>";
    ipv4 += "</tt:IPv4>";
    return "<tds:SetNetworkInterfaces><tds:InterfaceToken>" + EscapeXmlText(token) +
           "</tds:InterfaceToken><tds:NetworkInterface><tt:Enabled>true</tt:Enabled>" + ipv4 +
           "</tds:NetworkInterface></tds:SetNetworkInterfaces>";
}

// The camera's clock against this computer's: unsigned, as ONVIF allows
// anyone to ask; signed where the camera refused that and a sign-in holds.
Answer MeasureClock(const std::string& xaddr, OnvifClientState& state, OnvifDeviceFacts& facts) {
    const CallContext context{xaddr, state.clockOffset, state.credentials};
    CameraClock clock;
    Answer answer = AskClock(context, OnvifAuthMethod::None, clock);
    if (IsRefusal(answer.result.status)) {
        state.clockRefused = true;
        if (state.method && *state.method != OnvifAuthMethod::None) answer = AskClock(context, *state.method, clock);
    }
    if (answer.result.ok()) {
        const double offset = std::chrono::duration<double>(clock.utc - SystemClock::now()).count();
        state.clockOffset = offset;
        facts.clockOffsetSeconds = offset;
        facts.ntp = clock.ntp;
        facts.clockNote = clock.note;
    } else {
        facts.clockNote = "clock not readable";
    }
    return answer;
}

// A call that changes the camera. After an Open sign-in the camera checks
// the password here for the first time, and may take only the other method.
Answer Change(const std::string& xaddr, OnvifClientState& state, std::string_view operation, const std::string& body,
              const Reader& read) {
    const CallContext context{xaddr, state.clockOffset, state.credentials};
    const OnvifAuthMethod method = state.method.value_or(OnvifAuthMethod::None);
    Answer answer = Send(context, operation, body, method, read);
    if (!state.open) return answer;
    if (answer.result.status == OnvifCallStatus::SignInRefused) {
        const OnvifAuthMethod other =
            method == OnvifAuthMethod::HttpDigest ? OnvifAuthMethod::WsSecurity : OnvifAuthMethod::HttpDigest;
        answer = Send(context, operation, body, other, read);
        if (answer.result.ok()) state.method = other;
    }
    if (answer.result.ok()) {
        state.open = false;
    } else if (answer.result.status == OnvifCallStatus::SignInRefused) {
        state.refused = true;
        answer.result.message = NotAdministratorMessage(xaddr);
    }
    return answer;
}

}  // namespace

OnvifCallResult OnvifDeviceClient::ReadPublicFacts(OnvifDeviceFacts& facts) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    facts.xaddr = xaddr_;
    const Answer clock = MeasureClock(xaddr_, *state_, facts);
    if (!clock.heard) return clock.result;
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    const OnvifAuthMethod method = state_->method.value_or(OnvifAuthMethod::None);
    bool service = clock.service;
    // Cameras differ on whether these need a sign-in; a refusal leaves the
    // hostname to the signed-in reading.
    const Answer hostname = Send(context, "GetHostname", "<tds:GetHostname/>", method,
                                 [&](std::string_view bytes) { return ReadHostnameAnswer(bytes, facts.hostname); });
    if (!hostname.heard) return hostname.result;
    service = service || hostname.service;
    Answer services = Send(context, "GetServices",
                           "<tds:GetServices><tds:IncludeCapability>false</tds:IncludeCapability></tds:GetServices>",
                           method, [](std::string_view bytes) { return ReadPlainAnswer(bytes, "GetServices"); });
    if (services.heard && !services.result.ok()) {
        service = service || services.service;
        services = Send(context, "GetCapabilities",
                        "<tds:GetCapabilities><tds:Category>All</tds:Category></tds:GetCapabilities>", method,
                        [](std::string_view bytes) { return ReadPlainAnswer(bytes, "GetCapabilities"); });
    }
    if (!services.heard) return services.result;
    service = service || services.service;
    // A web server that answers everything with a page is no device service.
    if (!service) return clock.result;
    return Success();
}

OnvifCallResult OnvifDeviceClient::SignIn(const std::optional<OnvifCredentials>& credentials) {
    state_->refused = false;
    state_->method.reset();
    state_->open = false;
    state_->credentials = credentials;
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    auto readInformation = [&](OnvifAuthMethod method) {
        OnvifDeviceFacts ignored;
        return Send(context, "GetDeviceInformation", "<tds:GetDeviceInformation/>", method,
                    [&](std::string_view bytes) { return ReadDeviceInformationAnswer(bytes, ignored); });
    };
    if (!credentials) {
        const Answer answer = readInformation(OnvifAuthMethod::None);
        if (answer.result.ok()) state_->method = OnvifAuthMethod::None;
        if (answer.result.ok() || !IsRefusal(answer.result.status)) return answer.result;
        state_->refused = true;
        return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    }
    OnvifDeviceFacts clockFacts;
    if (!state_->clockOffset && !state_->clockRefused) MeasureClock(xaddr_, *state_, clockFacts);
    // A password is never left out: a camera that lets anyone read would
    // take the sign-in, and every later change would go out unsigned.
    std::vector<OnvifAuthMethod> order{OnvifAuthMethod::WsSecurity, OnvifAuthMethod::HttpDigest};
    if (!state_->clockOffset) {
        // WS-Security's Created would be this computer's time; Digest needs no clock.
        order = {OnvifAuthMethod::HttpDigest, OnvifAuthMethod::WsSecurity};
    } else if (const auto remembered = RememberedMethod(xaddr_); remembered && *remembered != OnvifAuthMethod::None) {
        std::erase(order, *remembered);
        order.insert(order.begin(), *remembered);
    }
    std::optional<Answer> unanswered;  // a try that got no SOAP answer at all
    bool refusal = false;
    for (const OnvifAuthMethod method : order) {
        const Answer answer = readInformation(method);
        if (answer.result.ok()) {
            state_->method = method;
            break;
        }
        // Another method may pass where a camera's web server turned this one away.
        if (!answer.heard) return answer.result;
        if (IsRefusal(answer.result.status))
            refusal = true;
        else
            unanswered = answer;
    }
    if (!state_->method) {
        if (!refusal && unanswered) return unanswered->result;
        state_->refused = true;
        return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    }
    if (!state_->clockOffset) MeasureClock(xaddr_, *state_, clockFacts);
    // Some cameras answer a signed read whatever the password; only an
    // administrator's call tells a right one from a wrong one.
    const Answer users = Send(context, "GetUsers", "<tds:GetUsers/>", *state_->method,
                              [](std::string_view bytes) { return ReadPlainAnswer(bytes, "GetUsers"); });
    if (users.result.status == OnvifCallStatus::SignInRefused) {
        state_->method.reset();
        state_->refused = true;
        return {OnvifCallStatus::SignInRefused, NotAdministratorMessage(xaddr_)};
    }
    if (!users.heard) return users.result;
    state_->open = !users.result.ok();
    RememberMethod(xaddr_, *state_->method);
    return Success();
}

OnvifCallResult OnvifDeviceClient::ReadFacts(OnvifDeviceFacts& facts) {
    OnvifCallResult result = ReadPublicFacts(facts);
    if (!result.ok()) return result;
    if (!state_->method) return result;
    facts.auth = state_->open ? OnvifAuthMethod::Open : *state_->method;
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    const OnvifAuthMethod method = *state_->method;
    auto ask = [&](std::string_view operation, const Reader& read) {
        return Send(context, operation, "<tds:" + std::string(operation) + "/>", method, read).result;
    };
    if (facts.hostname.empty())
        ask("GetHostname", [&](std::string_view bytes) { return ReadHostnameAnswer(bytes, facts.hostname); });
    result =
        ask("GetDeviceInformation", [&](std::string_view bytes) { return ReadDeviceInformationAnswer(bytes, facts); });
    if (result.ok())
        result = ask("GetNetworkInterfaces",
                     [&](std::string_view bytes) { return ReadNetworkInterfacesAnswer(bytes, facts.interfaces); });
    if (result.ok())
        result = ask("GetNetworkDefaultGateway",
                     [&](std::string_view bytes) { return ReadGatewayAnswer(bytes, facts.gateway); });
    if (result.ok()) result = ask("GetDNS", [&](std::string_view bytes) { return ReadDnsAnswer(bytes, facts.dns); });
    return result;
}

OnvifCallResult OnvifDeviceClient::SyncTime(double& newOffsetSeconds) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    OnvifCallResult result =
        Change(xaddr_, *state_, "SetSystemDateAndTime", DateTimeBody(SystemClock::now()), [](std::string_view bytes) {
            return ReadPlainAnswer(bytes, "SetSystemDateAndTime");
        }).result;
    if (!result.ok()) return result;
    OnvifDeviceFacts facts;
    result = MeasureClock(xaddr_, *state_, facts).result;
    if (!result.ok()) return result;
    newOffsetSeconds = facts.clockOffsetSeconds.value_or(0);
    return result;
}

OnvifNetworkOutcome OnvifDeviceClient::ApplyNetworkChange(const OnvifNetworkChange& change) {
    OnvifNetworkOutcome outcome;
    if (state_->refused) {
        outcome.result = {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
        return outcome;
    }
    std::vector<std::string> steps;
    if (!change.dhcp) {
        if (!IsIpv4(change.address) || change.prefixLength < 1 || change.prefixLength > 32) {
            outcome.result = {OnvifCallStatus::Failed,
                              "Invalid address - [" + change.address + "/" + std::to_string(change.prefixLength) + "]"};
            return outcome;
        }
        if (!change.gateway.empty()) steps.push_back("gateway");
    }
    for (const auto& [label, text] : {std::pair{"gateway", &change.gateway}, std::pair{"DNS", &change.dns}})
        if (!change.dhcp && !text->empty() && !IsIpv4(*text)) {
            outcome.result = {OnvifCallStatus::Failed, std::string("Invalid ") + label + " - [" + *text + "]"};
            return outcome;
        }
    if (change.dhcp || !change.dns.empty()) steps.push_back("DNS");
    steps.push_back("address");

    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    const OnvifAuthMethod method = state_->method.value_or(OnvifAuthMethod::None);
    std::vector<OnvifNetworkInterface> interfaces;
    outcome.result =
        Send(context, "GetNetworkInterfaces", "<tds:GetNetworkInterfaces/>", method, [&](std::string_view bytes) {
            return ReadNetworkInterfacesAnswer(bytes, interfaces);
        }).result;
    if (!outcome.result.ok()) {
        outcome.notApplied = steps;
        return outcome;
    }
    const std::string host = OnvifXaddrHost(xaddr_);
    const OnvifNetworkInterface* target = nullptr;
    for (const auto& card : interfaces)
        if (card.address == host) target = &card;
    if (target == nullptr && interfaces.size() == 1) target = &interfaces.front();
    if (target == nullptr) {
        // Changing another card's address could cut the camera off.
        outcome.result = {OnvifCallStatus::Failed, "No network interface of " + xaddr_ + " holds " + host};
        outcome.notApplied = steps;
        return outcome;
    }

    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        OnvifCallResult result;
        if (step == "gateway")
            result = Change(xaddr_, *state_, "SetNetworkDefaultGateway",
                            "<tds:SetNetworkDefaultGateway><tds:IPv4Address>" + EscapeXmlText(change.gateway) +
                                "</tds:IPv4Address></tds:SetNetworkDefaultGateway>",
                            [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SetNetworkDefaultGateway"); })
                         .result;
        else if (step == "DNS")
            result =
                Change(xaddr_, *state_, "SetDNS",
                       change.dhcp ? std::string("<tds:SetDNS><tds:FromDHCP>true</tds:FromDHCP></tds:SetDNS>")
                                   : "<tds:SetDNS><tds:FromDHCP>false</tds:FromDHCP><tds:DNSManual><tt:Type>"
                                     "IPv4</tt:Type><tt:IPv4Address>" +
                                         EscapeXmlText(change.dns) + "</tt:IPv4Address></tds:DNSManual></tds:SetDNS>",
                       [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SetDNS"); })
                    .result;
        else
            result = Change(xaddr_, *state_, "SetNetworkInterfaces", InterfaceBody(target->token, change),
                            [&](std::string_view bytes) {
                                return ReadSetNetworkInterfacesAnswer(bytes, outcome.rebootNeeded);
                            })
                         .result;
        if (!result.ok()) {
            outcome.notApplied.assign(steps.begin() + static_cast<std::ptrdiff_t>(i), steps.end());
            // A camera may switch its address before its answer is out: lost
            // is not refused, and the user must not take it for unchanged.
            if (step == "address" &&
                (result.status == OnvifCallStatus::NoService || result.status == OnvifCallStatus::Failed))
                result.message += " (the camera may already use the new address)";
            if (!outcome.applied.empty())
                result.message += ". Applied: " + JoinedOrNone(outcome.applied) +
                                  "; not applied: " + JoinedOrNone(outcome.notApplied) + ".";
            outcome.result = result;
            return outcome;
        }
        outcome.applied.push_back(step);
    }
    outcome.result = Success();
    return outcome;
}

std::optional<OnvifAuthMethod> OnvifDeviceClient::SignedInAs() const {
    if (!state_->method) return std::nullopt;
    return state_->open ? OnvifAuthMethod::Open : *state_->method;
}

OnvifCallResult OnvifDeviceClient::CallService(const OnvifServiceCall& call,
                                               const std::function<SoapAnswer(std::string_view)>& read) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    const CallContext context{call.xaddr, state_->clockOffset, state_->credentials, call.ns, call.service};
    return Send(context, call.operation, call.body, state_->method.value_or(OnvifAuthMethod::None), read).result;
}

OnvifCallResult OnvifDeviceClient::Reboot() {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    return Change(xaddr_, *state_, "SystemReboot", "<tds:SystemReboot/>",
                  [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SystemReboot"); })
        .result;
}
