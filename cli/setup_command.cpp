// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/setup_command.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include "app/main_form_logic.h"
#include "cli/cli_options.h"
#include "cli/cli_search.h"
#include "cli/console_form.h"
#include "cli/plan_command.h"
#include "cli/plan_options.h"
#include "cli/setup_options.h"
#include "cli/setup_verify.h"
#include "netsetup/control_package.h"
#include "netsetup/setup_confirmation.h"
#include "netsetup/setup_safety.h"
#include "protocol/address_range.h"
#include "protocol/terminal_text.h"

namespace {

const tComUnitInfo* FindByMac(const TComUnitList& list, const std::string& mac) {
    for (const tComUnitInfo& record : list) {
        if (ComUnitFieldText(record.mac) == mac) return &record;
    }
    return nullptr;
}

}  // namespace

int RunSetupCommand(const std::vector<std::string>& args) {
    if (AsksForPlan(args)) return RunPlanCommand(args);
    const ParsedSearchOptions search = ParseSearchOptions(args, true);
    std::string error = search.error;
    ParsedSetupOptions setup;
    if (error.empty()) {
        setup = ParseSetupOptions(search.rest);
        error = setup.error;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "lanvaro-cli setup: %s\n%s", error.c_str(), kSearchUsage);
        return 2;
    }
    // UPnP records hold "NULL" for what the device protocol would tell; the
    // window offers no network setup for them either.
    if (setup.options.mac.find("NULL") != std::string::npos) {
        std::fprintf(stderr, "lanvaro-cli setup: %s is not a device that takes network settings\n",
                     TerminalText(setup.options.mac).c_str());
        return 1;
    }

    ConsoleForm form(search.options.log);
    MainFormLogic logic(form);
    if (!RunSetupSearch(form, logic, search.options)) return 1;
    const tComUnitInfo* found = FindByMac(logic.ComUnitList, setup.options.mac);
    if (found == nullptr) {
        std::fprintf(stderr, "lanvaro-cli setup: no device with MAC %s was found\n",
                     TerminalText(setup.options.mac).c_str());
        return 1;
    }
    // Searches to come replace the list.
    const tComUnitInfo device = *found;

    const ControlRequest request = ApplySetupOptions(device, setup.options);
    if (const auto rejected = FirstRejectedField(request)) {
        std::fprintf(stderr, "lanvaro-cli setup: %s\n",
                     TerminalText(InvalidFieldMessage(*rejected, RequestFieldText(request, *rejected))).c_str());
        return 1;
    }
    if (request.type == NetworkType::Static && IsUnreasonableGateway(request.ip, request.netmask, request.gateway)) {
        std::fprintf(stderr, "Warning: %s\n", TerminalText(UnreasonableGatewayMessage(request.gateway)).c_str());
    }
    if (TakesTheSentAddress(request.type)) {
        if (!setup.options.force) {
            std::optional<std::string> conflict;
            if (const tComUnitInfo* other =
                    DeviceHoldingAddress(logic.ComUnitList, request, ComUnitFieldText(device.ip))) {
                conflict = AddressInUseMessage(request.ip, *other);
            } else {
                conflict = ProbeConflict(form, ProbeAddressText, request, ComUnitFieldText(device.ip));
            }
            if (conflict) {
                std::fprintf(stderr, "lanvaro-cli setup: %s\n", TerminalText(*conflict).c_str());
                return 1;
            }
        }
        // The window asks; a script has said what it wants, so it is only told.
        if (!InThisComputersNetworks(request.ip)) {
            std::fprintf(stderr, "Warning: %s\n", TerminalText(OutsideNetworksText(request.ip)).c_str());
        }
    }

    const std::size_t logBefore = form.log.size();
    const bool sent = SendControlPackage(form, MakeControlRecord(request), ComUnitFieldText(device.ip)) == 0;
    const auto sentAt = std::chrono::steady_clock::now();
    std::printf("%s\n", sent ? kControlSentText : kControlFailedText);
    if (!sent) {
        // The log's lines from the sending say why; with --log they are out already.
        if (!search.options.log) {
            for (std::size_t i = logBefore; i < form.log.size(); ++i) {
                if (form.log[i].rfind("[Kestrova", 0) != 0)
                    std::fprintf(stderr, "%s\n", TerminalText(form.log[i]).c_str());
            }
        }
        return 1;
    }
    if (setup.options.verifySeconds) {
        std::fflush(stdout);
        // The searches to come look where the device went too.
        if (form.method == SearchMethod::AddressRange && TakesTheSentAddress(request.type))
            form.addressRange = RangesWithAddress(form.addressRange, request.ip);
        const int seconds = *setup.options.verifySeconds;
        const auto confirmed = VerifySetup(form, logic, SetupTargetFor(request), sentAt, std::chrono::seconds(seconds));
        if (!confirmed) {
            std::printf("not confirmed within %d s\n", seconds);
            return 3;
        }
        // Tenths by hand: the user's locale may write a decimal comma.
        const long tenths = std::lround(confirmed->seconds * 10);
        std::printf("confirmed: %s at %s after %ld.%ld s\n", TerminalText(request.mac).c_str(),
                    TerminalText(confirmed->ip).c_str(), tenths / 10, tenths % 10);
    }
    return 0;
}
