// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Simulated devices taking the network settings a control package sends
// them, as a real device does once it has restarted its network.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/devsim/sim_device.h"

// The addresses a simulated DHCP server hands out: host numbers from 200 on
// in one subnet (host byte order).
struct DhcpPool {
    std::uint32_t network = 0;
    std::uint32_t netmask = 0;
};

// The subnet of the box's first card that is up and not loopback, else
// loopback's own.
DhcpPool BoxDhcpPool();

// Applies a control package ("Kestrova,03,<eleven fields>") to the device
// with its MAC: static and torvo take the sent IP, netmask, gateway and DNS;
// dhcp takes the pool's first address no device holds, with the pool's
// netmask. Returns a line saying what changed, or nullopt when the package
// names no listed device or no known type.
std::optional<std::string> ApplyControlPackage(std::vector<SimDevice>& devices, const std::string& package,
                                               const DhcpPool& pool);
