// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbering many devices at once: every device of a batch gets the next free
// address from a first one up, and the probes that tell "free" run side by
// side, so fifty devices take seconds, not fifty.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "netsetup/setup_safety.h"
#include "protocol/com_unit_info.h"

struct BatchMember {
    std::string mac;
    std::string currentIp;
};

struct AddressAssignment {
    std::optional<std::string> ip;     // none: no free address was left in the subnet
    std::vector<std::string> skipped;  // "198.51.100.12 (used by Gate (02:...))", "... (answers)"
};

struct BatchAddressing {
    std::vector<AddressAssignment> assignments;  // one per member, in order
    bool cancelled = false;
    std::string probeUnavailable;  // non-empty: no probe could be sent, and why
};

// Told how many members have an address; false stops the numbering.
using BatchProgress = std::function<bool(int done, int total)>;

// Gives the members addresses from `first` up, in their order, within the
// subnet of `first`/`netmask`, never its network or broadcast address.
// Skipped are addresses a listed device outside the batch uses and addresses
// that answer a probe; the members' own current addresses count as free
// (they all move) and are not probed. nullopt when `first` or `netmask`
// is no address.
std::optional<BatchAddressing> AssignBatchAddresses(const std::vector<BatchMember>& members, const std::string& first,
                                                    const std::string& netmask, const TComUnitList& listed,
                                                    const AddressProber& probe, const BatchProgress& progress = {});

// Probes every address at once (at most `parallel` at a time) and returns
// the results in the same order.
std::vector<ProbeResult> ProbeAll(const std::vector<std::string>& ips, const AddressProber& probe,
                                  std::size_t parallel = 32);

// "N devices will be at addresses outside this computer's networks (a, b, ...): their pages will not open from here."
std::string BatchOutsideNetworksText(const std::vector<std::string>& ips);

// A device of `listed` at `ip` that is none of `members`, or nullptr. A row
// without a device MAC (UPnP, ONVIF) at a member's own address is that
// member's camera, which moves with it.
const tComUnitInfo* OutsiderAt(const TComUnitList& listed, const std::vector<BatchMember>& members,
                               const std::string& ip);
