// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The setup-specific arguments of `lanvaro-cli setup`: which device and the
// settings it is sent.

#include <optional>
#include <string>
#include <vector>

#include "netsetup/control_package.h"

struct SetupOptions {
    std::string mac;
    NetworkType type = NetworkType::None;
    // Given addresses replace the device's, as edits in the dialog would.
    std::optional<std::string> ip, gateway, netmask, dns;
    // Set: search again until the device answers with the new settings, for at most this many seconds.
    std::optional<int> verifySeconds;
    // Send even where another device or host holds the address.
    bool force = false;

    std::optional<std::string>& Address(AddressEdit edit) { return AddressMember(*this, edit); }
    const std::optional<std::string>& Address(AddressEdit edit) const { return AddressMember(*this, edit); }
};

struct ParsedSetupOptions {
    SetupOptions options;
    std::string error;  // non-empty: a usage error
};

// Parses --mac MAC, --dhcp | --static, --ip, --netmask, --gateway, --dns,
// --verify SECONDS (1 to 3600) and --force.
// Exactly one type; --static needs all four addresses.
ParsedSetupOptions ParseSetupOptions(const std::vector<std::string>& args);

// The device's request with the given type and addresses applied.
ControlRequest ApplySetupOptions(const tComUnitInfo& device, const SetupOptions& options);
