// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-cli setup: finds a device by its MAC with the same search and sends
// it new network settings the way the Network Setup dialog does.

#include <string>
#include <vector>

// The arguments after "setup". Exit status: 0 sent (and, with --verify,
// confirmed), 1 not found, a check refused or the send failed (a conflict
// included), 2 usage error, 3 sent but not confirmed in time.
int RunSetupCommand(const std::vector<std::string>& args);
