// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Whether this process runs inside a LAN box (scripts/lanbox). Whatever sends
// discovery traffic asks first: the LANBOX variable alone can be set by hand
// in the machine's own namespace, where a broadcast reaches the real network.

#include <string>

// Exit code of a program that refused to start outside a box.
constexpr int kOutsideLanBoxExitCode = 3;

// Empty when every network card this process can see is loopback or one a box
// makes: its IPv4 addresses all lie in 127.0.0.0/8 or the ranges the box hands
// out (198.51.100.0/24, 203.0.113.0/24, and 198.18.0.0/15, the benchmarking
// block, for the routed box's large ranges), its IPv6 ones are loopback or
// link-local, and no other card is up. Otherwise names the first card that is
// not. 192.0.2.0/24 is no box's: the box never uses it, and a machine's own
// card may (a test machine's eth0 here has 192.0.2.2).
std::string CardOutsideLanBox();

// Empty when this process may send: LANBOX is set and CardOutsideLanBox() is
// empty. Otherwise one line saying why not.
std::string LanBoxRefusal();
