// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A site's address plan for many devices: CSV with a header naming the
// columns mac, ip, netmask, gateway and dns in any order, one device a line
// ("dhcp" as ip for DHCP); and the checks the whole plan passes before
// anything is sent.

#include <string>
#include <string_view>
#include <vector>

#include "netsetup/device_setup.h"
#include "netsetup/setup_safety.h"
#include "protocol/com_unit_info.h"

struct PlanEntry {
    int line = 0;  // in the file, the header being line 1
    std::string mac;
    NewSettings settings;
};

struct ParsedPlan {
    std::vector<PlanEntry> entries;
    std::vector<std::string> errors;  // "line N: reason"
};

// RFC 4180 quoting, CRLF or LF line ends, blank lines ignored; a quoted
// field may span lines and is numbered by the line it starts on.
ParsedPlan ParsePlanCsv(std::string_view text);

struct PlannedSend {
    int line = 0;
    tComUnitInfo device;  // as the search found it
    NewSettings settings;
};

struct PlanCheck {
    std::vector<PlannedSend> sends;     // in plan order
    std::vector<std::string> refusals;  // "line N: reason"; any one refuses the whole plan
    std::vector<std::string> warnings;  // unreasonable gateways, one line per entry
    std::vector<std::string> outside;   // new addresses outside this computer's networks
    std::string probeUnavailable;       // non-empty: addresses were not probed, and why
};

// Checks every entry against the devices a search found: the MAC is found
// (ignoring case and ':'/'-') and in no other line, the settings are ones
// the Network Setup dialog would send, no two entries share an address, and
// (unless `force`) no listed device outside the plan uses it and nothing
// answers there. The plan's devices all move, so their current addresses
// are free and not probed.
PlanCheck CheckPlan(const std::vector<PlanEntry>& entries, const TComUnitList& found, const AddressProber& probe,
                    bool force);
