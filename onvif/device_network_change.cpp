// SPDX-License-Identifier: GPL-3.0-or-later
// A camera's new network settings, in the order cameras take them: a
// camera checks a gateway against the subnet it stands in, so a gateway of
// the new subnet goes after the address, at the camera's new XAddr. Each
// setting is read back where the camera answers: accepted and kept is
// refused.

#include <arpa/inet.h>

#include <algorithm>
#include <functional>
#include <thread>

#include "onvif/device_calls.h"
#include "onvif/soap_request.h"
#include "protocol/local_routes.h"
#include "protocol/text_format.h"

using namespace onvif_calls;

namespace {

using SteadyClock = std::chrono::steady_clock;

const std::string kGateway = "gateway";
const std::string kDns = "DNS";
const std::string kAddress = "address";

// A camera still answering at its old address with its old settings may be
// about to move; this long after, it kept them.
constexpr std::chrono::seconds kKeptAfter{2};

bool IsIpv4(const std::string& text) {
    in_addr address{};
    return ::inet_pton(AF_INET, text.c_str(), &address) == 1;
}

bool Contains(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
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

std::string CardText(const OnvifNetworkInterface& card) {
    const std::string address =
        card.address.empty() ? std::string("none") : card.address + "/" + std::to_string(card.prefixLength);
    return address + (card.dhcp ? " (DHCP)" : "");
}

bool CardHolds(const OnvifNetworkInterface& card, const OnvifNetworkChange& change) {
    if (change.dhcp) return card.dhcp;
    return !card.dhcp && card.address == change.address && card.prefixLength == change.prefixLength;
}

bool SameSettings(const OnvifNetworkInterface& a, const OnvifNetworkInterface& b) {
    return a.dhcp == b.dhcp && a.address == b.address && a.prefixLength == b.prefixLength;
}

OnvifCallResult Kept(const std::string& xaddr, const std::string& what) {
    return {OnvifCallStatus::Refused, "The camera at " + xaddr + " accepted the change but kept its " + what};
}

// Ends the sending at a refusal: `rest` was not applied, and the reason says
// what was where anything was.
OnvifNetworkOutcome& Stop(OnvifNetworkOutcome& outcome, OnvifCallResult result, const std::vector<std::string>& rest) {
    for (const std::string& step : rest)
        if (!Contains(outcome.notApplied, step)) outcome.notApplied.push_back(step);
    if (!outcome.applied.empty())
        result.message +=
            ". Applied: " + JoinedOrNone(outcome.applied) + "; not applied: " + JoinedOrNone(outcome.notApplied) + ".";
    outcome.result = std::move(result);
    return outcome;
}

// One client's half of the sending: the calls at one XAddr, each read back.
class Sender {
public:
    Sender(const std::string& xaddr, OnvifClientState& state, OnvifNetworkOutcome& outcome)
        : xaddr_(xaddr), state_(state), outcome_(outcome) {}

    OnvifCallResult Gateway(const std::string& gateway) {
        OnvifCallResult result =
            Change(xaddr_, state_, "SetNetworkDefaultGateway",
                   "<tds:SetNetworkDefaultGateway><tds:IPv4Address>" + EscapeXmlText(gateway) +
                       "</tds:IPv4Address></tds:SetNetworkDefaultGateway>",
                   [](std::string_view bytes) { return ReadPlainAnswer(bytes, "SetNetworkDefaultGateway"); })
                .result;
        if (!result.ok()) return result;
        const auto held = ReadList("GetNetworkDefaultGateway", ReadGatewayAnswer);
        if (!held) return result;
        Held().gateway = held;
        return Contains(*held, gateway) ? result : Kept(xaddr_, "gateway " + JoinedOrNone(*held));
    }

    OnvifCallResult Dns(const OnvifNetworkChange& change) {
        const std::string body =
            change.dhcp ? std::string("<tds:SetDNS><tds:FromDHCP>true</tds:FromDHCP></tds:SetDNS>")
                        : "<tds:SetDNS><tds:FromDHCP>false</tds:FromDHCP><tds:DNSManual><tt:Type>IPv4</tt:Type>"
                          "<tt:IPv4Address>" +
                              EscapeXmlText(change.dns) + "</tt:IPv4Address></tds:DNSManual></tds:SetDNS>";
        OnvifCallResult result = Change(xaddr_, state_, "SetDNS", body, [](std::string_view bytes) {
                                     return ReadPlainAnswer(bytes, "SetDNS");
                                 }).result;
        if (!result.ok()) return result;
        const auto held = ReadList("GetDNS", ReadDnsAnswer);
        if (!held) return result;
        Held().dns = held;
        // From DHCP the servers are the DHCP server's to name.
        return change.dhcp || Contains(*held, change.dns) ? result : Kept(xaddr_, "DNS " + JoinedOrNone(*held));
    }

    // The interface `which` picks as the camera reports it now; nullopt
    // where it does not answer (it may have moved already).
    std::optional<OnvifNetworkInterface> Card(const std::function<bool(const OnvifNetworkInterface&)>& which) {
        std::vector<OnvifNetworkInterface> cards;
        if (!Ask(xaddr_, state_, "GetNetworkInterfaces", [&](std::string_view bytes) {
                 return ReadNetworkInterfacesAnswer(bytes, cards);
             }).result.ok())
            return std::nullopt;
        for (const OnvifNetworkInterface& card : cards)
            if (which(card)) {
                Held().card = card;
                return card;
            }
        return std::nullopt;
    }

private:
    // The addresses a Get* lists, where the camera answers it.
    std::optional<std::vector<std::string>> ReadList(std::string_view operation,
                                                     SoapAnswer (*read)(std::string_view, std::vector<std::string>&)) {
        std::vector<std::string> items;
        if (!Ask(xaddr_, state_, operation, [&](std::string_view bytes) { return read(bytes, items); }).result.ok())
            return std::nullopt;
        return items;
    }

    OnvifHeldSettings& Held() {
        outcome_.held.xaddr = xaddr_;
        return outcome_.held;
    }

    const std::string& xaddr_;
    OnvifClientState& state_;
    OnvifNetworkOutcome& outcome_;
};

}  // namespace

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
        if (!change.gateway.empty()) steps.push_back(kGateway);
    }
    for (const auto& [label, text] : {std::pair{"gateway", &change.gateway}, std::pair{"DNS", &change.dns}})
        if (!change.dhcp && !text->empty() && !IsIpv4(*text)) {
            outcome.result = {OnvifCallStatus::Failed, std::string("Invalid ") + label + " - [" + *text + "]"};
            return outcome;
        }
    if (change.dhcp || !change.dns.empty()) steps.push_back(kDns);
    steps.push_back(kAddress);

    std::vector<OnvifNetworkInterface> interfaces;
    outcome.result = Ask(xaddr_, *state_, "GetNetworkInterfaces", [&](std::string_view bytes) {
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
    const OnvifNetworkInterface before = *target;

    Sender sender(xaddr_, *state_, outcome);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const std::string& step = steps[i];
        const std::vector<std::string> rest(steps.begin() + static_cast<std::ptrdiff_t>(i), steps.end());
        if (step == kGateway) {
            const OnvifCallResult result = sender.Gateway(change.gateway);
            if (result.status == OnvifCallStatus::Refused) {
                // Refused in the old subnet: it and DNS go to the new address.
                outcome.deferred = {kGateway};
                if (Contains(steps, kDns)) outcome.deferred.push_back(kDns);
                outcome.deferredReason = result.message;
                outcome.notApplied = outcome.deferred;
                continue;
            }
            if (!result.ok()) return Stop(outcome, result, rest);
        } else if (step == kDns) {
            if (Contains(outcome.deferred, kDns)) continue;
            const OnvifCallResult result = sender.Dns(change);
            if (!result.ok()) return Stop(outcome, result, rest);
        } else {
            const Answer answer = Change(
                xaddr_, *state_, "SetNetworkInterfaces", InterfaceBody(before.token, change),
                [&](std::string_view bytes) { return ReadSetNetworkInterfacesAnswer(bytes, outcome.rebootNeeded); });
            // A camera may switch its address before its answer is out: lost
            // is not refused, and the user must not take it for unchanged.
            outcome.answerLost = !answer.lost.empty();
            if (!answer.result.ok() && !outcome.answerLost) return Stop(outcome, answer.result, rest);
            if (!outcome.rebootNeeded) {
                auto same = [&before](const OnvifNetworkInterface& card) { return card.token == before.token; };
                std::optional<OnvifNetworkInterface> held = sender.Card(same);
                if (held && !CardHolds(*held, change) && SameSettings(*held, before)) {
                    std::this_thread::sleep_for(kKeptAfter);
                    held = sender.Card(same);
                    if (held && !CardHolds(*held, change) && SameSettings(*held, before)) {
                        outcome.answerLost = false;
                        return Stop(outcome, Kept(xaddr_, "address " + CardText(*held)), rest);
                    }
                }
            }
            if (outcome.answerLost) {
                outcome.result = {OnvifCallStatus::Failed, "The answer of " + xaddr_ +
                                                               " to the new address was lost (" + answer.lost +
                                                               "): the camera may already use it"};
                return outcome;
            }
        }
        outcome.applied.push_back(step);
    }
    outcome.result = Success();
    return outcome;
}

OnvifNetworkOutcome OnvifDeviceClient::FinishNetworkChange(const std::string& xaddr,
                                                           const std::optional<OnvifCredentials>& credentials,
                                                           const OnvifNetworkChange& change,
                                                           const std::vector<std::string>& steps,
                                                           std::chrono::milliseconds wait) {
    OnvifNetworkOutcome outcome;
    outcome.notApplied = steps;
    outcome.result = Success();
    if (steps.empty()) return outcome;
    const std::string there = change.dhcp ? std::string() : OnvifXaddrWithHost(xaddr, change.address);
    const std::string what = "not applied: " + Joined(steps);
    if (there.empty()) {
        outcome.result = {OnvifCallStatus::Failed, what + " (the camera's new address is not known)"};
        return outcome;
    }
    // Without its gateway the camera answers only its own link.
    if (!SubnetReachableFromHere(change.address, change.prefixLength)) {
        outcome.result = {OnvifCallStatus::Failed, what + " (set them from a computer in " +
                                                       SubnetText(change.address, change.prefixLength) + ")"};
        return outcome;
    }
    OnvifDeviceClient client(there);
    const auto deadline = SteadyClock::now() + wait;
    OnvifCallResult reached;
    // Bounded by the deadline, a second between tries.
    for (int round = 0; round < 100000; ++round) {
        OnvifDeviceFacts facts;
        reached = client.ReadPublicFacts(facts);
        if (reached.ok() || SteadyClock::now() >= deadline) break;
        std::this_thread::sleep_for(
            std::min<SteadyClock::duration>(std::chrono::seconds(1), deadline - SteadyClock::now()));
    }
    if (!reached.ok()) {
        outcome.result = {
            OnvifCallStatus::Failed,
            what + StrFormat(" (the camera did not answer at %s within %lld s)", there.c_str(),
                             static_cast<long long>(std::chrono::duration_cast<std::chrono::seconds>(wait).count()))};
        return outcome;
    }
    if (const OnvifCallResult signedIn = client.SignIn(credentials); !signedIn.ok()) {
        outcome.result = signedIn;
        return outcome;
    }
    outcome.notApplied.clear();
    Sender sender(there, *client.state_, outcome);
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const OnvifCallResult result = steps[i] == kGateway ? sender.Gateway(change.gateway) : sender.Dns(change);
        if (!result.ok())
            return Stop(outcome, result,
                        std::vector<std::string>(steps.begin() + static_cast<std::ptrdiff_t>(i), steps.end()));
        outcome.applied.push_back(steps[i]);
    }
    sender.Card([&change](const OnvifNetworkInterface& card) { return card.address == change.address; });
    return outcome;
}

void MergeFinishedChange(OnvifNetworkOutcome& outcome, const OnvifNetworkOutcome& finished) {
    for (const std::string& step : finished.applied) {
        outcome.applied.push_back(step);
        std::erase(outcome.notApplied, step);
    }
    outcome.deferred.clear();
    if (!finished.held.xaddr.empty()) {
        // It answered at the new address: whatever became of the answer, it took it.
        outcome.held = finished.held;
        if (outcome.answerLost) {
            outcome.applied.push_back(kAddress);
            outcome.result = Success();
        }
        outcome.answerLost = false;
    }
    if (!finished.result.ok()) outcome.result = finished.result;
}

std::string HeldSettingsText(const OnvifHeldSettings& held) {
    std::vector<std::string> parts;
    if (held.card) parts.push_back("address " + CardText(*held.card));
    if (held.gateway) parts.push_back("gateway " + JoinedOrNone(*held.gateway));
    if (held.dns) parts.push_back("DNS " + JoinedOrNone(*held.dns));
    return Joined(parts);
}
