// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/plan_command.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/main_form_logic.h"
#include "cli/cli_options.h"
#include "cli/cli_search.h"
#include "cli/console_form.h"
#include "cli/plan_options.h"
#include "netsetup/batch_addresses.h"
#include "netsetup/batch_watch.h"
#include "netsetup/setup_plan.h"
#include "protocol/address_range.h"
#include "protocol/terminal_text.h"

namespace {

using Clock = std::chrono::steady_clock;
// As often as setup --verify searches for one device.
constexpr std::chrono::seconds kVerifyInterval{2};

std::string Target(const NewSettings& s) { return s.type == NetworkType::Dhcp ? std::string("dhcp") : s.ip; }

// Tenths by hand: the user's locale may write a decimal comma.
std::string Tenths(double seconds) {
    const long tenths = std::lround(seconds * 10);
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

bool ReadFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    return !in.bad();
}

void Refuse(const std::vector<std::string>& reasons) {
    for (const std::string& reason : reasons) std::fprintf(stderr, "%s\n", TerminalText(reason).c_str());
    std::fprintf(stderr, "lanvaro-cli setup: plan refused, nothing sent\n");
}

}  // namespace

int RunPlanCommand(const std::vector<std::string>& args) {
    const ParsedSearchOptions search = ParseSearchOptions(args, true);
    std::string error = search.error;
    ParsedPlanOptions plan;
    if (error.empty()) {
        plan = ParsePlanOptions(search.rest);
        error = plan.error;
    }
    if (!error.empty()) {
        std::fprintf(stderr, "lanvaro-cli setup: %s\n%s", error.c_str(), kSearchUsage);
        return 2;
    }
    std::string text;
    if (!ReadFile(plan.options.path, text)) {
        std::fprintf(stderr, "lanvaro-cli setup: cannot read the plan %s\n", plan.options.path.c_str());
        return 1;
    }
    const ParsedPlan parsed = ParsePlanCsv(text);
    if (!parsed.errors.empty()) {
        Refuse(parsed.errors);
        return 1;
    }

    ConsoleForm form(search.options.log);
    MainFormLogic logic(form);
    if (!RunSetupSearch(form, logic, search.options)) return 1;
    const PlanCheck check = CheckPlan(parsed.entries, logic.ComUnitList, ProbeAddressText, plan.options.force);
    if (!check.refusals.empty()) {
        Refuse(check.refusals);
        return 1;
    }
    if (!check.probeUnavailable.empty())
        std::fprintf(stderr, "Warning: cannot probe new addresses for other hosts (%s); checked without that\n",
                     check.probeUnavailable.c_str());
    for (const std::string& warning : check.warnings)
        std::fprintf(stderr, "Warning: %s\n", TerminalText(warning).c_str());
    // The window asks; a script has said what it wants, so it is only told.
    if (!check.outside.empty()) std::fprintf(stderr, "Warning: %s\n", BatchOutsideNetworksText(check.outside).c_str());

    if (plan.options.dryRun) {
        for (const PlannedSend& send : check.sends) {
            const std::string mac = TerminalText(ComUnitFieldText(send.device.mac));
            const NewSettings& s = send.settings;
            if (s.type == NetworkType::Dhcp)
                std::printf("would send: %s -> dhcp\n", mac.c_str());
            else
                std::printf("would send: %s -> %s netmask %s gateway %s dns %s\n", mac.c_str(), s.ip.c_str(),
                            s.netmask.c_str(), s.gateway.c_str(), s.dns.c_str());
        }
        return 0;
    }

    bool failed = false;
    BatchWatch watch(std::chrono::seconds(plan.options.verifySeconds.value_or(0)));
    std::vector<std::string> macs;
    for (const PlannedSend& send : check.sends) {
        const std::string mac = TerminalText(ComUnitFieldText(send.device.mac));
        std::shared_ptr<DeviceSetup> setup = MakeProtocolDeviceSetup(send.device);
        if (const auto reason = setup->Send(form, send.settings).refused) {
            std::printf("not sent: %s: %s\n", mac.c_str(), TerminalText(*reason).c_str());
            failed = true;
            continue;
        }
        std::printf("sent: %s -> %s\n", mac.c_str(), Target(send.settings).c_str());
        // The searches to come look where the device went too.
        if (form.method == SearchMethod::AddressRange && TakesTheSentAddress(send.settings.type))
            form.addressRange = RangesWithAddress(form.addressRange, send.settings.ip);
        macs.push_back(mac);
        watch.Add(
            static_cast<int>(macs.size() - 1),
            [setup, settings = send.settings](const TComUnitList& found) {
                return setup->ConfirmedAt(found, settings);
            },
            Clock::now());
    }
    std::fflush(stdout);
    if (!plan.options.verifySeconds || macs.empty()) return failed ? 1 : 0;

    bool unconfirmed = false;
    auto say = [&](const std::vector<BatchWatch::Outcome>& outcomes) {
        for (const BatchWatch::Outcome& o : outcomes) {
            const std::string& mac = macs[static_cast<std::size_t>(o.id)];
            if (o.confirmed) {
                std::printf("confirmed: %s at %s after %s s\n", mac.c_str(), o.ip.c_str(), Tenths(o.seconds).c_str());
            } else {
                std::printf("not confirmed: %s within %d s\n", mac.c_str(), *plan.options.verifySeconds);
                unconfirmed = true;
            }
        }
        std::fflush(stdout);
    };
    // Bounded: one search per interval until every device is decided or the deadline.
    const Clock::time_point deadline = watch.Deadline();
    for (auto next = Clock::now() + kVerifyInterval; !watch.Done() && next <= deadline; next += kVerifyInterval) {
        std::this_thread::sleep_until(next);
        const Clock::time_point started = Clock::now();
        if (!RunSearchToEnd(form, logic)) break;
        say(watch.Check(logic.ComUnitList, started, Clock::now()));
        // A slow search has used up the turns it overran.
        while (next + kVerifyInterval < Clock::now()) next += kVerifyInterval;
    }
    say(watch.Expire(deadline));
    if (failed) return 1;
    return unconfirmed ? 3 : 0;
}
