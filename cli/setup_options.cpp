// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/setup_options.h"

#include <utility>

#include "cli/command_line.h"

namespace {

const std::pair<const char*, AddressEdit> kAddressOptions[] = {{"--ip", AddressEdit::IP},
                                                               {"--gateway", AddressEdit::Gateway},
                                                               {"--netmask", AddressEdit::Netmask},
                                                               {"--dns", AddressEdit::DNS}};

}  // namespace

ParsedSetupOptions ParseSetupOptions(const std::vector<std::string>& args) {
    ParsedSetupOptions parsed;
    SetupOptions& o = parsed.options;

    // Every setup option, in one place. Repeats are counted, not merged: an
    // option given twice is an error.
    CLI::App app;
    PrepareCommandApp(app);
    CLI::Option* mac = AddSingleValueOption(app, "--mac");
    std::vector<std::pair<CLI::Option*, AddressEdit>> addresses;
    for (const auto& [name, edit] : kAddressOptions) addresses.emplace_back(AddSingleValueOption(app, name), edit);
    CLI::Option* dhcp = app.add_flag("--dhcp");
    CLI::Option* fixed = app.add_flag("--static");
    CLI::Option* force = app.add_flag("--force");
    CLI::Option* verify = AddSingleValueOption(app, "--verify");

    parsed.error = ParseCommandLine(app, args);
    if (!parsed.error.empty()) return parsed;
    if (const std::vector<std::string> unknown = app.remaining(); !unknown.empty()) {
        parsed.error = "unknown argument " + unknown.front();
        return parsed;
    }
    parsed.error = RepeatedOption({mac});
    for (const auto& address : addresses)
        if (parsed.error.empty()) parsed.error = RepeatedOption({address.first});
    if (!parsed.error.empty()) return parsed;
    for (const auto& [option, edit] : addresses)
        if (option->count() == 1) o.Address(edit) = option->results().front();
    if (dhcp->count() + fixed->count() > 1) {
        parsed.error = "give one of --dhcp and --static";
        return parsed;
    }
    if (dhcp->count() > 0) o.type = NetworkType::Dhcp;
    if (fixed->count() > 0) o.type = NetworkType::Static;
    if (mac->count() == 1) o.mac = mac->results().front();
    o.force = force->count() > 0;
    parsed.error = RepeatedOption({verify});
    if (!parsed.error.empty()) return parsed;
    if (verify->count() == 1) {
        o.verifySeconds = VerifySeconds(verify->results().front());
        if (!o.verifySeconds) {
            parsed.error = kVerifyRangeError;
            return parsed;
        }
    }

    if (o.mac.empty()) {
        parsed.error = "--mac is required";
    } else if (o.type == NetworkType::None) {
        parsed.error = "give one of --dhcp and --static";
    } else if (o.type == NetworkType::Static) {
        for (const auto& [name, edit] : kAddressOptions) {
            if (!o.Address(edit)) {
                parsed.error = std::string("--static needs ") + name;
                break;
            }
        }
    }
    return parsed;
}

ControlRequest ApplySetupOptions(const tComUnitInfo& device, const SetupOptions& options) {
    ControlRequest request = ControlRequestFor(device);
    request.type = options.type;
    for (AddressEdit edit : kAddressEdits) {
        if (const auto& given = options.Address(edit)) request.Address(edit) = *given;
    }
    return request;
}
