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

struct OnvifDeviceClient::State {
    std::optional<double> clockOffset;
    std::optional<OnvifAuthMethod> method;
    std::optional<OnvifCredentials> credentials;
    bool refused = false;  // a refused sign-in: nothing more is sent until the next SignIn
};

namespace {

using Reader = std::function<SoapAnswer(std::string_view)>;

}  // namespace

OnvifDeviceClient::OnvifDeviceClient(std::string xaddr) : xaddr_(std::move(xaddr)), state_(std::make_unique<State>()) {}

OnvifDeviceClient::~OnvifDeviceClient() = default;

namespace {

struct CallContext {
    const std::string& xaddr;
    const std::optional<double>& clockOffset;
    const std::optional<OnvifCredentials>& credentials;
};

std::string RefusedMessage(const std::string& xaddr) {
    return "Sign-in refused by " + xaddr + ": check the user name and password.";
}

OnvifCallResult Send(const CallContext& context, std::string_view operation, const std::string& body,
                     OnvifAuthMethod method, const Reader& read) {
    std::optional<WsseToken> token;
    std::optional<OnvifCredentials> digest;
    if (method != OnvifAuthMethod::None && context.credentials) {
        if (method == OnvifAuthMethod::WsSecurity) {
            const auto offset = std::chrono::duration_cast<SystemClock::duration>(
                std::chrono::duration<double>(context.clockOffset.value_or(0.0)));
            token =
                MakeWsseToken(context.credentials->user, context.credentials->password, SystemClock::now() + offset);
        } else {
            digest = context.credentials;
        }
    }
    const SoapHttpReply reply =
        PostSoap(context.xaddr, DeviceAction(operation), SoapEnvelope(body, token), digest, kCallTimeout);
    const std::string name(operation);
    if (reply.tooLarge) return {OnvifCallStatus::Failed, name + " of " + context.xaddr + ": " + reply.error};
    if (!reply.connected)
        return {OnvifCallStatus::NoService,
                "No ONVIF device service answered at " + context.xaddr + " (" + reply.error + ")"};
    if (reply.status == 401 || reply.status == 403)
        return {OnvifCallStatus::SignInRefused, RefusedMessage(context.xaddr)};
    const SoapAnswer answer = read(reply.body);
    switch (answer.kind) {
        case SoapAnswerKind::Response:
            return Success();
        case SoapAnswerKind::Fault:
            if (answer.notAuthorized) return {OnvifCallStatus::SignInRefused, RefusedMessage(context.xaddr)};
            return {OnvifCallStatus::Refused, name + " refused by " + context.xaddr + ": " + answer.problem};
        case SoapAnswerKind::Unreadable:
            break;
    }
    if (reply.status != 200)
        return {OnvifCallStatus::NoService, "No ONVIF device service answered at " + context.xaddr + " (HTTP " +
                                                std::to_string(reply.status) + ")"};
    return {OnvifCallStatus::Failed, "Unreadable answer to " + name + " from " + context.xaddr + ": " + answer.problem};
}

}  // namespace

namespace {

// The camera's clock against this computer's, from one GetSystemDateAndTime.
OnvifCallResult MeasureClock(const CallContext& context, double& offset, bool& ntp) {
    CameraClock clock;
    const OnvifCallResult result =
        Send(context, "GetSystemDateAndTime", "<tds:GetSystemDateAndTime/>", OnvifAuthMethod::None,
             [&](std::string_view bytes) { return ReadDateTimeAnswer(bytes, clock); });
    if (!result.ok()) return result;
    offset = std::chrono::duration<double>(clock.utc - SystemClock::now()).count();
    ntp = clock.ntp;
    return result;
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

}  // namespace

OnvifCallResult OnvifDeviceClient::ReadPublicFacts(OnvifDeviceFacts& facts) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    facts.xaddr = xaddr_;
    double offset = 0;
    bool ntp = false;
    OnvifCallResult result = MeasureClock(context, offset, ntp);
    if (!result.ok()) return result;
    state_->clockOffset = offset;
    facts.clockOffsetSeconds = offset;
    facts.ntp = ntp;
    const OnvifAuthMethod method = state_->method.value_or(OnvifAuthMethod::None);
    // Cameras differ on whether these need a sign-in; a refusal leaves the
    // hostname to the signed-in reading.
    result = Send(context, "GetHostname", "<tds:GetHostname/>", method,
                  [&](std::string_view bytes) { return ReadHostnameAnswer(bytes, facts.hostname); });
    if (result.status == OnvifCallStatus::NoService || result.status == OnvifCallStatus::Failed) return result;
    result = Send(context, "GetServices",
                  "<tds:GetServices><tds:IncludeCapability>false</tds:IncludeCapability></tds:GetServices>", method,
                  [](std::string_view bytes) { return ReadPlainAnswer(bytes, "GetServices"); });
    if (result.status == OnvifCallStatus::Refused || result.status == OnvifCallStatus::SignInRefused)
        result = Send(context, "GetCapabilities",
                      "<tds:GetCapabilities><tds:Category>All</tds:Category></tds:GetCapabilities>", method,
                      [](std::string_view bytes) { return ReadPlainAnswer(bytes, "GetCapabilities"); });
    if (result.status == OnvifCallStatus::NoService || result.status == OnvifCallStatus::Failed) return result;
    return Success();
}

OnvifCallResult OnvifDeviceClient::SignIn(const std::optional<OnvifCredentials>& credentials) {
    state_->refused = false;
    state_->method.reset();
    state_->credentials = credentials;
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    if (credentials && !state_->clockOffset) {
        double offset = 0;
        bool ntp = false;
        const OnvifCallResult clock = MeasureClock(context, offset, ntp);
        if (clock.status == OnvifCallStatus::NoService || clock.status == OnvifCallStatus::Failed) return clock;
        if (clock.ok()) state_->clockOffset = offset;
    }
    std::vector<OnvifAuthMethod> order{OnvifAuthMethod::None};
    if (credentials) {
        order = {OnvifAuthMethod::None, OnvifAuthMethod::WsSecurity, OnvifAuthMethod::HttpDigest};
        if (const auto remembered = RememberedMethod(xaddr_)) {
            std::erase(order, *remembered);
            order.insert(order.begin(), *remembered);
        }
    }
    for (const OnvifAuthMethod method : order) {
        OnvifDeviceFacts ignored;
        const OnvifCallResult result =
            Send(context, "GetDeviceInformation", "<tds:GetDeviceInformation/>", method,
                 [&](std::string_view bytes) { return ReadDeviceInformationAnswer(bytes, ignored); });
        if (result.ok()) {
            state_->method = method;
            RememberMethod(xaddr_, method);
            return result;
        }
        // A camera that wants a sign-in may say so with any fault; only a
        // lost connection ends the trying early.
        if (result.status == OnvifCallStatus::NoService || result.status == OnvifCallStatus::Failed) return result;
    }
    state_->refused = true;
    return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
}

OnvifCallResult OnvifDeviceClient::ReadFacts(OnvifDeviceFacts& facts) {
    OnvifCallResult result = ReadPublicFacts(facts);
    if (!result.ok()) return result;
    facts.auth = state_->method;
    if (!state_->method) return result;
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    const OnvifAuthMethod method = *state_->method;
    if (facts.hostname.empty())
        Send(context, "GetHostname", "<tds:GetHostname/>", method,
             [&](std::string_view bytes) { return ReadHostnameAnswer(bytes, facts.hostname); });
    result = Send(context, "GetDeviceInformation", "<tds:GetDeviceInformation/>", method,
                  [&](std::string_view bytes) { return ReadDeviceInformationAnswer(bytes, facts); });
    if (result.ok())
        result = Send(context, "GetNetworkInterfaces", "<tds:GetNetworkInterfaces/>", method,
                      [&](std::string_view bytes) { return ReadNetworkInterfacesAnswer(bytes, facts.interfaces); });
    if (result.ok())
        result = Send(context, "GetNetworkDefaultGateway", "<tds:GetNetworkDefaultGateway/>", method,
                      [&](std::string_view bytes) { return ReadGatewayAnswer(bytes, facts.gateway); });
    if (result.ok())
        result = Send(context, "GetDNS", "<tds:GetDNS/>", method,
                      [&](std::string_view bytes) { return ReadDnsAnswer(bytes, facts.dns); });
    return result;
}

OnvifCallResult OnvifDeviceClient::SyncTime(double& newOffsetSeconds) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    OnvifCallResult result = Send(context, "SetSystemDateAndTime", DateTimeBody(SystemClock::now()),
                                  state_->method.value_or(OnvifAuthMethod::None), [](std::string_view bytes) {
                                      return ReadPlainAnswer(bytes, "SetSystemDateAndTime");
                                  });
    if (!result.ok()) return result;
    double offset = 0;
    bool ntp = false;
    result = MeasureClock(context, offset, ntp);
    if (!result.ok()) return result;
    state_->clockOffset = offset;
    newOffsetSeconds = offset;
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
    outcome.result = Send(context, "GetNetworkInterfaces", "<tds:GetNetworkInterfaces/>", method,
                          [&](std::string_view bytes) { return ReadNetworkInterfacesAnswer(bytes, interfaces); });
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
            result =
                Send(context, "SetNetworkDefaultGateway",
                     "<tds:SetNetworkDefaultGateway><tds:IPv4Address>" + EscapeXmlText(change.gateway) +
                         "</tds:IPv4Address></tds:SetNetworkDefaultGateway>",
                     method, [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SetNetworkDefaultGateway"); });
        else if (step == "DNS")
            result =
                Send(context, "SetDNS",
                     change.dhcp ? std::string("<tds:SetDNS><tds:FromDHCP>true</tds:FromDHCP></tds:SetDNS>")
                                 : "<tds:SetDNS><tds:FromDHCP>false</tds:FromDHCP><tds:DNSManual><tt:Type>IPv4"
                                   "</tt:Type><tt:IPv4Address>" +
                                       EscapeXmlText(change.dns) + "</tt:IPv4Address></tds:DNSManual></tds:SetDNS>",
                     method, [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SetDNS"); });
        else
            result = Send(
                context, "SetNetworkInterfaces", InterfaceBody(target->token, change), method,
                [&](std::string_view bytes) { return ReadSetNetworkInterfacesAnswer(bytes, outcome.rebootNeeded); });
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

OnvifCallResult OnvifDeviceClient::Reboot() {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    return Send(context, "SystemReboot", "<tds:SystemReboot/>", state_->method.value_or(OnvifAuthMethod::None),
                [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SystemReboot"); });
}
