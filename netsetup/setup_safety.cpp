// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/setup_safety.h"

#include <arpa/inet.h>

#include <atomic>
#include <chrono>

#include "protocol/broadcast_interfaces.h"
#include "protocol/text_format.h"

const tComUnitInfo* DeviceHoldingAddress(const TComUnitList& list, const ControlRequest& request,
                                         const std::string& currentIp) {
    if (request.ip == currentIp) return nullptr;
    for (const tComUnitInfo& record : list) {
        if (ComUnitFieldText(record.ip) == request.ip && ComUnitFieldText(record.mac) != request.mac) return &record;
    }
    return nullptr;
}

std::string AddressInUseMessage(const std::string& ip, const tComUnitInfo& other) {
    return StrFormat("The address %s is already used by %s (%s).", ip.c_str(), ComUnitFieldText(other.name).c_str(),
                     ComUnitFieldText(other.mac).c_str());
}

std::string AddressAnswersMessage(const std::string& ip) {
    return StrFormat("The address %s answers on the network.", ip.c_str());
}

bool InThisComputersNetworks(const std::string& ip) {
    const auto value = ParseAddress(ip);
    return value && InLocalNetworks(htonl(*value), LocalInterfaceAddresses());
}

std::string OutsideNetworksText(const std::string& ip) {
    return StrFormat("The device will be at %s, outside this computer's networks: its page will not open from here.",
                     ip.c_str());
}

std::string OutsideNetworksQuestion(const std::string& ip) { return OutsideNetworksText(ip) + " Send anyway?"; }

ProbeResult ProbeAddressText(const std::string& ip) {
    const auto value = ParseAddress(ip);
    if (!value) return {ProbeOutcome::Silent, {}};
    return ProbeAddress(htonl(*value), std::chrono::seconds(1));
}

std::optional<std::string> ProbeConflict(WindowOps& form, const AddressProber& probe, const ControlRequest& request,
                                         const std::string& currentIp) {
    if (!probe || request.ip == currentIp) return std::nullopt;
    const ProbeResult result = probe(request.ip);
    if (result.outcome == ProbeOutcome::Answered) return AddressAnswersMessage(request.ip);
    static std::atomic<bool> told{false};
    if (result.outcome == ProbeOutcome::Unavailable && !told.exchange(true)) {
        form.Log("Cannot probe new addresses for other hosts (" + result.detail + "); sending without that check");
    }
    return std::nullopt;
}
