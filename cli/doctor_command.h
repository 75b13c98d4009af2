// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-cli doctor: the checks that need no device. Reply port free, cards
// that can broadcast and multicast, firewall rules that would drop the
// answers, each printed with OK or the problem and its fix.

#include <string>
#include <vector>

// Exit status: 0 when no problem was found, 1 otherwise, 2 usage error.
int RunDoctorCommand(const std::vector<std::string>& args);
