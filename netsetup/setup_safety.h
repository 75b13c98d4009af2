// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The checks a new static address passes before a control package goes out:
// a device already listed there, a host answering there, an address this
// computer cannot reach. They come after the address checks of the edits.

#include <functional>
#include <optional>
#include <string>

#include "netsetup/address_probe.h"
#include "netsetup/control_package.h"
#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"

// Another device of the list (another MAC) at the request's IP, or nullptr.
// A device that keeps its current address conflicts with nothing: its own
// UPnP and ONVIF rows stand at that address without its MAC.
const tComUnitInfo* DeviceHoldingAddress(const TComUnitList& list, const ControlRequest& request,
                                         const std::string& currentIp);

// "The address %s is already used by %s (%s)." with the other device's name and MAC.
std::string AddressInUseMessage(const std::string& ip, const tComUnitInfo& other);
// "The address %s answers on the network."
std::string AddressAnswersMessage(const std::string& ip);
// Whether the address lies in a subnet of this computer's cards.
bool InThisComputersNetworks(const std::string& ip);
// "The device will be at %s, outside this computer's networks: its page will not open from here."
std::string OutsideNetworksText(const std::string& ip);
// The same, asked: "... Send anyway?"
std::string OutsideNetworksQuestion(const std::string& ip);

// Probes a text address for up to a second.
using AddressProber = std::function<ProbeResult(const std::string& ip)>;
ProbeResult ProbeAddressText(const std::string& ip);

// Probes unless the address is the device's current one (the device itself
// would answer). Returns the conflict message when a host answers; where no
// probe can be sent, writes one log line per run of the program and returns
// nullopt.
std::optional<std::string> ProbeConflict(WindowOps& form, const AddressProber& probe, const ControlRequest& request,
                                         const std::string& currentIp);
