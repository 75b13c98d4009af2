// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/device_client.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

#include "onvif/calls_at_once.h"
#include "onvif/device_answers.h"
#include "onvif/device_calls.h"
#include "onvif/soap_request.h"
#include "onvif/soap_transport.h"
#include "protocol/local_routes.h"
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

}  // namespace

OnvifDeviceClient::OnvifDeviceClient(std::string xaddr)
    : xaddr_(std::move(xaddr)), state_(std::make_unique<OnvifClientState>()) {}

OnvifDeviceClient::~OnvifDeviceClient() = default;

namespace onvif_calls {

std::string JoinedOrNone(const std::vector<std::string>& items) {
    const std::string text = Joined(items);
    return text.empty() ? "none" : text;
}

std::string RefusedMessage(const std::string& xaddr) {
    return "Sign-in refused by " + xaddr + ": check the user name and password.";
}

namespace {

std::string NotAdministratorMessage(const std::string& xaddr) {
    return "Sign-in to " + xaddr + " refused: wrong password, or the user is not an administrator.";
}

bool IsRefusal(OnvifCallStatus status) {
    return status == OnvifCallStatus::SignInRefused || status == OnvifCallStatus::Refused;
}

}  // namespace

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
    Answer answer;
    answer.sent = reply.sent;
    answer.heard = reply.connected || reply.tooLarge;
    auto says = [&answer](OnvifCallStatus status, std::string message) {
        answer.result = {status, std::move(message)};
        return answer;
    };
    if (reply.tooLarge) return says(OnvifCallStatus::Failed, name + " of " + context.xaddr + ": " + reply.error);
    if (reply.untrusted)
        return says(OnvifCallStatus::Failed,
                    "The camera's certificate is not trusted at " + context.xaddr + " (" + reply.error + ")");
    if (!reply.connected) {
        if (reply.sent) answer.lost = reply.error;
        return says(OnvifCallStatus::NoService, "No ONVIF " + std::string(context.service) + " service answered at " +
                                                    context.xaddr + " (" + reply.error + ")");
    }
    const SoapAnswer soap = read(reply.body);
    answer.service = soap.kind != SoapAnswerKind::Unreadable;
    if (soap.kind == SoapAnswerKind::Response) return says(OnvifCallStatus::Ok, {});
    // A web server that wants HTTP Digest for every call says so before any SOAP.
    if (reply.status == 401 || (soap.kind == SoapAnswerKind::Fault && soap.notAuthorized)) {
        answer.service = true;
        return says(OnvifCallStatus::SignInRefused, RefusedMessage(context.xaddr));
    }
    if (reply.status == 403) {
        answer.forbidden = true;
        answer.service = false;
        return says(OnvifCallStatus::Refused, name + " refused (HTTP 403) by " + context.xaddr +
                                                  ": the camera may take calls from some addresses only");
    }
    if (soap.kind == SoapAnswerKind::Fault)
        return says(OnvifCallStatus::Refused, name + " refused by " + context.xaddr + ": " + soap.problem);
    if (reply.status != 200)
        return says(OnvifCallStatus::NoService, "No ONVIF " + std::string(context.service) + " service answered at " +
                                                    context.xaddr + " (HTTP " + std::to_string(reply.status) + ")");
    return says(OnvifCallStatus::Failed,
                "Unreadable answer to " + name + " from " + context.xaddr + ": " + soap.problem);
}

Answer Ask(const std::string& xaddr, const OnvifClientState& state, std::string_view operation, const Reader& read) {
    const CallContext context{xaddr, state.clockOffset, state.credentials};
    return Send(context, operation, "<tds:" + std::string(operation) + "/>",
                state.method.value_or(OnvifAuthMethod::None), read);
}

namespace {

Answer AskClock(const CallContext& context, OnvifAuthMethod method, CameraClock& clock) {
    return Send(context, "GetSystemDateAndTime", "<tds:GetSystemDateAndTime/>", method,
                [&](std::string_view bytes) { return ReadDateTimeAnswer(bytes, clock); });
}

// The summer time and zone go back as the camera reported them: a camera
// told DaylightSavings false moves its local clock by an hour.
std::string DateTimeBody(SystemClock::time_point now, const std::optional<CameraClock>& reported) {
    const std::time_t seconds = SystemClock::to_time_t(now);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    auto element = [](const char* name, int value) {
        return std::string("<tt:") + name + ">" + std::to_string(value) + "</tt:" + name + ">";
    };
    const bool summer = reported && reported->daylightSavings;
    const std::string zone =
        reported && !reported->timeZone.empty()
            ? "<tds:TimeZone><tt:TZ>" + EscapeXmlText(reported->timeZone) + "</tt:TZ></tds:TimeZone>"
            : std::string();
    return std::string("<tds:SetSystemDateAndTime><tds:DateTimeType>Manual</tds:DateTimeType><tds:DaylightSavings>") +
           (summer ? "true" : "false") + "</tds:DaylightSavings>" + zone + "<tds:UTCDateTime><tt:Date>" +
           element("Year", utc.tm_year + 1900) + element("Month", utc.tm_mon + 1) + element("Day", utc.tm_mday) +
           "</tt:Date><tt:Time>" + element("Hour", utc.tm_hour) + element("Minute", utc.tm_min) +
           element("Second", utc.tm_sec) + "</tt:Time></tds:UTCDateTime></tds:SetSystemDateAndTime>";
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
        state.clock = clock;
        facts.clockOffsetSeconds = offset;
        facts.ntp = clock.ntp;
        facts.daylightSavings = clock.daylightSavings;
        facts.timeZone = clock.timeZone;
        facts.clockNote = clock.note;
    } else {
        facts.clockNote = "clock not readable";
    }
    return answer;
}

}  // namespace

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

}  // namespace onvif_calls

using namespace onvif_calls;

namespace {

// A call of a wave: how to send it, and the answer it writes.
struct WaveCall {
    std::function<void()> send;
    const Answer* answer;
};

// The calls go out together, unless this camera showed it takes one at a
// time: some answered while others found their connection closed. Those are
// asked again alone, and every later call of this client goes alone.
void SendWave(OnvifClientState& state, const std::vector<WaveCall>& wave) {
    if (state.oneCallAtATime || wave.size() < 2) {
        for (const WaveCall& call : wave) call.send();
        return;
    }
    std::vector<std::function<void()>> sends;
    for (const WaveCall& call : wave) sends.push_back(call.send);
    RunCallsAtOnce(sends);
    const auto heard = [](const WaveCall& call) { return call.answer->heard; };
    if (std::all_of(wave.begin(), wave.end(), heard) || std::none_of(wave.begin(), wave.end(), heard)) return;
    state.oneCallAtATime = true;
    for (const WaveCall& call : wave)
        if (!heard(call)) call.send();
}

}  // namespace

OnvifCallResult OnvifDeviceClient::ReadPublicFacts(OnvifDeviceFacts& facts) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    facts.xaddr = xaddr_;
    // Copies: the clock's reading writes the state while the other two are out.
    const std::optional<double> offset = state_->clockOffset;
    const std::optional<OnvifCredentials> credentials = state_->credentials;
    const CallContext context{xaddr_, offset, credentials};
    const OnvifAuthMethod method = state_->method.value_or(OnvifAuthMethod::None);
    Answer clock, hostname, services;
    std::string hostnameRead;
    // Cameras differ on whether these need a sign-in; a refusal leaves the
    // hostname to the signed-in reading.
    SendWave(*state_,
             {{[&] { clock = MeasureClock(xaddr_, *state_, facts); }, &clock},
              {[&] {
                   hostname = Send(context, "GetHostname", "<tds:GetHostname/>", method,
                                   [&](std::string_view bytes) { return ReadHostnameAnswer(bytes, hostnameRead); });
               },
               &hostname},
              {[&] {
                   services =
                       Send(context, "GetServices",
                            "<tds:GetServices><tds:IncludeCapability>false</tds:IncludeCapability></tds:GetServices>",
                            method, [](std::string_view bytes) { return ReadPlainAnswer(bytes, "GetServices"); });
               },
               &services}});
    if (!clock.heard) return clock.result;
    if (!hostname.heard) return hostname.result;
    if (hostname.result.ok()) facts.hostname = hostnameRead;
    bool service = clock.service || hostname.service;
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
    state_->publicRead = true;
    state_->hostname = facts.hostname;
    return Success();
}

namespace {

// The reads of ReadFacts beyond the sign-in's, each with how it went.
struct NetworkReads {
    Answer interfaces, gateway, dns;
    OnvifNetworkSettingsRead read;
};

// Adds the network reads to a wave; nothing in them waits for another answer.
void AddNetworkReads(std::vector<WaveCall>& wave, const CallContext& context, OnvifAuthMethod method,
                     NetworkReads& reads) {
    auto ask = [&context, method](std::string_view operation, Answer* answer, Reader read) {
        return WaveCall{[&context, method, operation, answer, read = std::move(read)] {
                            *answer = Send(context, operation, "<tds:" + std::string(operation) + "/>", method, read);
                        },
                        answer};
    };
    wave.push_back(ask("GetNetworkInterfaces", &reads.interfaces, [&reads](std::string_view bytes) {
        return ReadNetworkInterfacesAnswer(bytes, reads.read.interfaces);
    }));
    wave.push_back(ask("GetNetworkDefaultGateway", &reads.gateway,
                       [&reads](std::string_view bytes) { return ReadGatewayAnswer(bytes, reads.read.gateway); }));
    wave.push_back(
        ask("GetDNS", &reads.dns, [&reads](std::string_view bytes) { return ReadDnsAnswer(bytes, reads.read.dns); }));
}

// The first failure, in the order the facts are listed.
OnvifCallResult FirstFailure(const NetworkReads& reads) {
    for (const Answer* answer : {&reads.interfaces, &reads.gateway, &reads.dns})
        if (!answer->result.ok()) return answer->result;
    return Success();
}

}  // namespace

OnvifCallResult OnvifDeviceClient::SignIn(const std::optional<OnvifCredentials>& credentials,
                                          OnvifSignInReads alsoRead) {
    state_->refused = false;
    state_->method.reset();
    state_->open = false;
    state_->credentials = credentials;
    state_->information.reset();
    state_->network.reset();
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    auto readInformation = [&](OnvifAuthMethod method) {
        OnvifDeviceFacts read;
        Answer answer = Send(context, "GetDeviceInformation", "<tds:GetDeviceInformation/>", method,
                             [&](std::string_view bytes) { return ReadDeviceInformationAnswer(bytes, read); });
        if (answer.result.ok()) state_->information = std::move(read);
        return answer;
    };
    if (!credentials) {
        const Answer answer = readInformation(OnvifAuthMethod::None);
        if (answer.result.ok()) state_->method = OnvifAuthMethod::None;
        if (answer.result.ok() || answer.forbidden || !IsRefusal(answer.result.status)) return answer.result;
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
    // One method after another, never two at once: cameras that lock a user
    // out count every refused call.
    for (const OnvifAuthMethod method : order) {
        const Answer answer = readInformation(method);
        if (answer.result.ok()) {
            state_->method = method;
            break;
        }
        // Another method may pass where a camera's web server turned this one away.
        if (!answer.heard) return answer.result;
        if (IsRefusal(answer.result.status) && !answer.forbidden)
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
    // administrator's call tells a right one from a wrong one. The password
    // worked for a read, so the reads ReadFacts needs go along with the proof.
    std::vector<OnvifUser> users;
    Answer proof;
    std::vector<WaveCall> wave{{[&] {
                                    proof = Send(context, "GetUsers", "<tds:GetUsers/>", *state_->method,
                                                 [&](std::string_view bytes) { return ReadUsersAnswer(bytes, users); });
                                },
                                &proof}};
    NetworkReads network;
    if (alsoRead == OnvifSignInReads::NetworkToo) AddNetworkReads(wave, context, *state_->method, network);
    SendWave(*state_, wave);
    state_->users = std::move(users);
    if (proof.result.status == OnvifCallStatus::SignInRefused) {
        state_->users.clear();
        state_->method.reset();
        state_->refused = true;
        return {OnvifCallStatus::SignInRefused, NotAdministratorMessage(xaddr_)};
    }
    if (!proof.heard) return proof.result;
    state_->open = !proof.result.ok();
    // Kept whole only: a read that failed is asked again, and fails with its own reason.
    if (alsoRead == OnvifSignInReads::NetworkToo && FirstFailure(network).ok())
        state_->network = std::move(network.read);
    RememberMethod(xaddr_, *state_->method);
    return Success();
}

OnvifCallResult OnvifDeviceClient::ReadFacts(OnvifDeviceFacts& facts) {
    OnvifCallResult result = Success();
    // A camera is not asked again what this client heard from it already:
    // the public facts, once whole and with a clock, and the sign-in's
    // GetDeviceInformation and network reads.
    if (state_->publicRead && state_->clock && state_->clockOffset && !state_->refused) {
        const CameraClock& clock = *state_->clock;
        facts.xaddr = xaddr_;
        facts.clockOffsetSeconds = state_->clockOffset;
        facts.ntp = clock.ntp;
        facts.daylightSavings = clock.daylightSavings;
        facts.timeZone = clock.timeZone;
        facts.clockNote = clock.note;
        if (facts.hostname.empty()) facts.hostname = state_->hostname;
    } else {
        result = ReadPublicFacts(facts);
    }
    if (!result.ok()) return result;
    if (!state_->method) return result;
    facts.auth = state_->open ? OnvifAuthMethod::Open : *state_->method;
    facts.users = state_->users;
    const CallContext context{xaddr_, state_->clockOffset, state_->credentials};
    const OnvifAuthMethod method = *state_->method;
    std::vector<WaveCall> wave;
    std::string hostname;
    Answer hostnameAnswer;
    if (facts.hostname.empty())
        wave.push_back({[&] {
                            hostnameAnswer =
                                Send(context, "GetHostname", "<tds:GetHostname/>", method,
                                     [&](std::string_view bytes) { return ReadHostnameAnswer(bytes, hostname); });
                        },
                        &hostnameAnswer});
    OnvifDeviceFacts information;
    Answer informationAnswer;
    informationAnswer.result = Success();
    if (state_->information) {
        information = *state_->information;
    } else {
        wave.push_back({[&] {
                            informationAnswer = Send(context, "GetDeviceInformation", "<tds:GetDeviceInformation/>",
                                                     method, [&](std::string_view bytes) {
                                                         return ReadDeviceInformationAnswer(bytes, information);
                                                     });
                        },
                        &informationAnswer});
    }
    NetworkReads reads;
    if (!state_->network) AddNetworkReads(wave, context, method, reads);
    SendWave(*state_, wave);
    if (facts.hostname.empty()) facts.hostname = hostname;
    if (!informationAnswer.result.ok()) return informationAnswer.result;
    facts.manufacturer = information.manufacturer;
    facts.model = information.model;
    facts.firmware = information.firmware;
    facts.serial = information.serial;
    facts.hardwareId = information.hardwareId;
    const OnvifNetworkSettingsRead network = state_->network.value_or(reads.read);
    facts.interfaces = network.interfaces;
    facts.gateway = network.gateway;
    facts.dns = network.dns;
    return state_->network ? Success() : FirstFailure(reads);
}

OnvifCallResult OnvifDeviceClient::SyncTime(double& newOffsetSeconds) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    OnvifDeviceFacts facts;
    if (!state_->clock) MeasureClock(xaddr_, *state_, facts);
    OnvifCallResult result =
        Change(xaddr_, *state_, "SetSystemDateAndTime", DateTimeBody(SystemClock::now(), state_->clock),
               [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SetSystemDateAndTime"); })
            .result;
    if (!result.ok()) return result;
    result = MeasureClock(xaddr_, *state_, facts).result;
    if (!result.ok()) return result;
    newOffsetSeconds = facts.clockOffsetSeconds.value_or(0);
    return result;
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

const std::vector<OnvifUser>& OnvifDeviceClient::Users() const { return state_->users; }

OnvifCallResult OnvifDeviceClient::SetPassword(const std::string& user, const std::string& newPassword) {
    if (state_->refused) return {OnvifCallStatus::SignInRefused, RefusedMessage(xaddr_)};
    if (state_->users.empty())
        return {OnvifCallStatus::Refused, "The camera at " + xaddr_ +
                                              " lists no users (GetUsers): the level to keep for " + user +
                                              " is not known; nothing was changed."};
    const auto listed = std::find_if(state_->users.begin(), state_->users.end(),
                                     [&](const OnvifUser& known) { return known.name == user; });
    if (listed == state_->users.end())
        return {OnvifCallStatus::Refused, "The camera at " + xaddr_ + " has no user " + user + "."};
    if (listed->level.empty())
        return {OnvifCallStatus::Refused,
                "The camera at " + xaddr_ + " lists no level for " + user + "; nothing was changed."};
    const std::string body = "<tds:SetUser><tds:User><tt:Username>" + EscapeXmlText(user) +
                             "</tt:Username><tt:Password>" + EscapeXmlText(newPassword) +
                             "</tt:Password><tt:UserLevel>" + EscapeXmlText(listed->level) +
                             "</tt:UserLevel></tds:User></tds:SetUser>";
    OnvifCallResult result = Change(xaddr_, *state_, "SetUser", body, [](std::string_view bytes) {
                                 return ReadPlainAnswer(bytes, "SetUser");
                             }).result;
    result.message = RedactedText(RedactedText(result.message, newPassword),
                                  state_->credentials ? state_->credentials->password : std::string());
    return result;
}
