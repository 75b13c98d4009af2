// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which program holds a local UDP port, as far as /proc tells: the socket's
// inode from /proc/net/udp, then the process with a descriptor on it. Other
// users' processes are only found with the right to look at them.

#include <optional>
#include <string>

// "lanvaro-devsim (process 4711)", or nullopt when no holder can be named.
// This process itself is never named.
std::optional<std::string> UdpPortOwner(int port);
