// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether a device took the settings a control package sent it, judged from
// what a later search found.

#include <string>

#include "netsetup/control_package.h"
#include "protocol/com_unit_info.h"

struct SetupTarget {
    std::string mac;
    NetworkType type = NetworkType::None;
    std::string ip, netmask, gateway, dns;
};

SetupTarget SetupTargetFor(const ControlRequest& request);

// The record of a search begun after the send that confirms the change, or
// nullptr. A static (or Torvo) change needs the sent IP, netmask, gateway and
// DNS; after DHCP any answer from the MAC will do.
const tComUnitInfo* FindConfirmingRecord(const TComUnitList& found, const SetupTarget& target);
