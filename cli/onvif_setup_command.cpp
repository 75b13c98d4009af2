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

struct Confirmation {
    std::string ip;
    double seconds = 0;
};

// Searches by WS-Discovery until the camera answers as the change says: the
// same endpoint with an XAddr at the new address (for DHCP any answer).
std::optional<Confirmation> ConfirmByDiscovery(const std::string& endpoint, const OnvifCliOptions& options,
                                               Clock::time_point sentAt, std::chrono::seconds limit) {
    const std::atomic<bool> cancel{false};
    for (int round = 0; round < 10000 && Clock::now() < sentAt + limit; ++round) {
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
        std::fprintf(stderr, "lanvaro-cli setup: %s\n%s", error.c_str(), kOnvifUsage);
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
            std::fprintf(stderr, "lanvaro-cli setup: %s\n", conflict->c_str());
            return 1;
        }
    }
    if (!options.dhcp && IsUnreasonableGateway(options.ip, options.netmask, options.gateway))
        std::fprintf(stderr, "Warning: %s\n", TerminalText(UnreasonableGatewayMessage(options.gateway)).c_str());
    if (!options.dhcp && !InThisComputersNetworks(options.ip))
        std::fprintf(stderr, "Warning: %s\n", TerminalText(OutsideNetworksText(options.ip)).c_str());

    OnvifDeviceClient client(options.xaddr);
    if (const int status = SignInFromOptions(client, options, "setup"); status != 0) return status;
    OnvifNetworkChange change;
    change.dhcp = options.dhcp;
    change.address = options.ip;
    change.prefixLength = options.prefixLength;
    change.gateway = options.gateway;
    change.dns = options.dns;
    const OnvifNetworkOutcome outcome = client.ApplyNetworkChange(change);
    const auto sentAt = Clock::now();
    if (!outcome.result.ok()) {
        std::fprintf(stderr, "lanvaro-cli setup: %s\n", outcome.result.message.c_str());
        return outcome.applied.empty() ? ExitCodeOf(outcome.result.status) : 1;
    }
    std::printf("The new settings were sent to %s.\n", options.xaddr.c_str());
    if (outcome.rebootNeeded) {
        if (!options.reboot) {
            std::printf("The camera must restart to use the new settings: restart it, or run again with --reboot.\n");
        } else if (const OnvifCallResult reboot = client.Reboot(); !reboot.ok()) {
            std::fprintf(stderr, "lanvaro-cli setup: %s\n", reboot.message.c_str());
            return 1;
        } else {
            std::printf("The camera restarts to use them.\n");
        }
    }
    if (options.verifySeconds) {
        std::fflush(stdout);
        const auto confirmed =
            ConfirmByDiscovery(endpoint, options, sentAt, std::chrono::seconds(*options.verifySeconds));
        if (!confirmed) {
            std::printf("not confirmed within %d s\n", *options.verifySeconds);
            return 3;
        }
        std::printf("confirmed: %s at %s after %s s\n", endpoint.empty() ? options.xaddr.c_str() : endpoint.c_str(),
                    confirmed->ip.c_str(), Tenths(confirmed->seconds).c_str());
    }
    return 0;
}
