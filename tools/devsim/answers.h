// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the simulated devices say: answers to queries, and how a received
// package is classified.

#include <optional>
#include <string>
#include <vector>

#include "tools/devsim/sim_device.h"

// The encoded datagrams answering one query: `perDatagram` device packages
// in each (each with its NUL), fewer when a datagram would outgrow a UDP
// payload. No devices, no datagrams.
std::vector<std::string> AnswerDatagrams(const std::vector<SimDevice>& devices, int perDatagram);

// The TCP relay's answer: one encoded message with every device's package.
std::string RelayAnswer(const std::vector<SimDevice>& devices);

// The flag of a package that starts with the protocol token and a decimal
// flag ("Kestrova,02,..."), else nullopt.
std::optional<int> PackageFlag(const std::string& package);

inline bool IsQueryFlag(int flag) { return flag == 0 || flag == 2; }
constexpr int kControlFlag = 3;
