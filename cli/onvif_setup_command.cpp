// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli setup --onvif: the Network Setup dialog's checks and sending
// for an ONVIF camera, confirmed by WS-Discovery.

#include <atomic>
#include <chrono>
#include <cstdio>

#include "app/main_form_logic.h"
#include "cli/cli_options.h"
#include "cli/cli_search.h"
#include "cli/console_form.h"
#include "cli/onvif_command.h"
#include "cli/onvif_options.h"
#include "netsetup/control_package.h"
#include "netsetup/setup_safety.h"
#include "onvif/wsd_search.h"
#include "protocol/terminal_text.h"
#include "protocol/text_format.h"

namespace {

using Clock = std::chrono::steady_clock;

// The IPv4 host of the first http XAddr that has one.
std::optional<std::string> FirstHttpHost(const std::vector<std::string>& xaddrs) {
    for (const auto& xaddr : xaddrs) {
        const std::string host = OnvifXaddrHost(xaddr);
        if (xaddr.rfind("http", 0) == 0 && !host.empty() && host.find(':') == std::string::npos) return host;
    }
    return std::nullopt;
}

bool HasHost(const OnvifDeviceInfo& device, const std::string& host) {
    for (const auto& xaddr : device.xaddrs)
        if (OnvifXaddrHost(xaddr) == host) return true;
    return false;
}

// The endpoint reference of the camera serving at `host`, from the devices a
// search found.
std::string EndpointAt(const std::vector<OnvifDeviceInfo>& devices, const std::string& host) {
    for (const auto& device : devices)
        if (HasHost(device, host)) return device.endpoint;
    return {};
}

// Camera text on the terminal: inert, whatever it holds.
void Say(const std::string& message) { std::fprintf(stderr, "lanvaro-cli setup: %s\n", TerminalText(message).c_str()); }
void Note(const std::string& message) {
    std::fprintf(stderr, "lanvaro-cli setup: note: %s\n", TerminalText(message).c_str());
}

struct Confirmation {
    std::string ip;
    double seconds = 0;
};

// Searches by WS-Discovery until the camera answers as the change says: the
// same endpoint with an XAddr at the new address (for DHCP any answer).
std::optional<Confirmation> ConfirmByDiscovery(const std::string& endpoint, const OnvifCliOptions& options,
                                               Clock::time_point sentAt, std::chrono::seconds limit) {
    const std::atomic<bool> cancel{false};
    // At least one search, however long the sending took.
    for (int round = 0; round < 10000 && (round == 0 || Clock::now() < sentAt + limit); ++round) {
        const WsdSearchResult found = RunWsdSearch(WsdSearchTimings{}, cancel);
        for (const OnvifDeviceInfo& device : found.devices) {
            if (!endpoint.empty() && device.endpoint != endpoint) continue;
            const bool there = options.dhcp ? FirstHttpHost(device.xaddrs).has_value() : HasHost(device, options.ip);
            if (!there || (endpoint.empty() && options.dhcp)) continue;
            return Confirmation{options.dhcp ? *FirstHttpHost(device.xaddrs) : options.ip,
                                std::chrono::duration<double>(Clock::now() - sentAt).count()};
        }
    }
    return std::nullopt;
}

}  // namespace

int RunOnvifSetupCommand(const std::vector<std::string>& args) {
    const ParsedSearchOptions search = ParseSearchOptions(args, true);
    ParsedOnvifOptions parsed;
    std::string error = search.error;
    if (error.empty()) {
        parsed = ParseOnvifSetupOptions(search.rest);
        error = parsed.error;
        if (error.empty() && !parsed.rest.empty()) error = "unknown argument " + parsed.rest.front();
    }
    if (!error.empty()) {
        std::fprintf(stderr, "lanvaro-cli setup: %s\n%s", TerminalText(error).c_str(), kOnvifUsage);
        return 2;
    }
    const OnvifCliOptions& options = parsed.options;
    const std::string currentHost = OnvifXaddrHost(options.xaddr);

    // The search first, so the checks see every listed device.
    ConsoleForm form(search.options.log);
    MainFormLogic logic(form);
    if (!RunSetupSearch(form, logic, search.options)) return 1;
    std::string endpoint = EndpointAt(logic.OnvifEngine.m_Devices, currentHost);
    if (endpoint.empty() && options.verifySeconds) {
        const std::atomic<bool> cancel{false};
        endpoint = EndpointAt(RunWsdSearch(WsdSearchTimings{}, cancel).devices, currentHost);
    }

    if (!options.dhcp && !options.force) {
        ControlRequest request;
        request.type = NetworkType::Static;
        request.ip = options.ip;
        request.mac = "onvif " + options.xaddr;  // no listed MAC: every row at the address counts
        std::optional<std::string> conflict;
        if (const tComUnitInfo* other = DeviceHoldingAddress(logic.ComUnitList, request, currentHost))
            conflict = AddressInUseMessage(options.ip, *other);
        else
            conflict = ProbeConflict(form, ProbeAddressText, request, currentHost);
        if (conflict) {
            Say(*conflict);
            return 1;
        }
    }
    if (!options.dhcp && IsUnreasonableGateway(options.ip, options.netmask, options.gateway))
        std::fprintf(stderr, "Warning: %s\n", TerminalText(UnreasonableGatewayMessage(options.gateway)).c_str());
    if (!options.dhcp && !InThisComputersNetworks(options.ip))
        std::fprintf(stderr, "Warning: %s\n", TerminalText(OutsideNetworksText(options.ip)).c_str());

    OnvifDeviceClient client(options.xaddr);
    OnvifCredentials credentials;
    if (const int status = SignInFromOptions(client, options, "setup", &credentials); status != 0) return status;
    OnvifNetworkChange change;
    change.dhcp = options.dhcp;
    change.address = options.ip;
    change.prefixLength = options.prefixLength;
    change.gateway = options.gateway;
    change.dns = options.dns;
    OnvifNetworkOutcome outcome = client.ApplyNetworkChange(change);
    const auto sentAt = Clock::now();
    if (!outcome.result.ok() && !outcome.answerLost) {
        if (!outcome.deferredReason.empty()) Note(outcome.deferredReason);
        Say(outcome.result.message);
        return outcome.applied.empty() ? ExitCodeOf(outcome.result.status) : 1;
    }
    // The address went out; a lost answer is looked for as if taken.
    if (outcome.answerLost)
        Say(outcome.result.message);
    else
        std::printf("The new settings were sent to %s.\n", TerminalText(options.xaddr).c_str());
    if (!outcome.deferredReason.empty())
        Note(outcome.deferredReason + "; the address went first, gateway and DNS follow at the new address");
    // Whether the camera goes to its new address now, or only at a restart to come.
    bool moving = !outcome.rebootNeeded;
    if (outcome.rebootNeeded) {
        if (!options.reboot) {
            std::printf("The camera must restart to use the new settings: restart it, or run again with --reboot.\n");
        } else if (const OnvifCallResult reboot = client.Reboot(); !reboot.ok()) {
            Say(reboot.message);
            return 1;
        } else {
            std::printf("The camera restarts to use them.\n");
            moving = true;
        }
    }
    if (!outcome.deferred.empty()) {
        if (!moving) {
            outcome.result = {OnvifCallStatus::Failed, "not applied: " + Joined(outcome.deferred) +
                                                           " (set them once the camera uses its new address)"};
        } else {
            const auto wait = options.verifySeconds ? std::chrono::seconds(*options.verifySeconds) : kMovedCameraWait;
            MergeFinishedChange(outcome, OnvifDeviceClient::FinishNetworkChange(options.xaddr, credentials, change,
                                                                                outcome.deferred, wait));
            if (outcome.result.ok()) std::printf("Gateway and DNS were set at the new address.\n");
        }
        if (!outcome.result.ok()) Say(outcome.result.message);
    }
    if (const std::string held = HeldSettingsText(outcome.held); !held.empty())
        std::printf("The camera holds: %s.\n", TerminalText(held).c_str());
    // A lost answer is no success until something confirms it.
    const bool complete = outcome.notApplied.empty() && (outcome.result.ok() || outcome.answerLost);
    if (!options.verifySeconds) {
        if (outcome.answerLost) Note("--verify SECONDS confirms whether the camera took it");
        return complete && !outcome.answerLost ? 0 : 1;
    }
    std::fflush(stdout);
    const auto confirmed = ConfirmByDiscovery(endpoint, options, sentAt, std::chrono::seconds(*options.verifySeconds));
    if (!confirmed) {
        std::printf("not confirmed within %d s\n", *options.verifySeconds);
        return 3;
    }
    std::printf("confirmed: %s at %s after %s s\n", TerminalText(endpoint.empty() ? options.xaddr : endpoint).c_str(),
                TerminalText(confirmed->ip).c_str(), Tenths(confirmed->seconds).c_str());
    return complete ? 0 : 1;
}
