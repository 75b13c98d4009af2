// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-cli setup --plan FILE: new settings for many devices at once, from
// a site's address plan, checked whole before anything is sent.

#include <string>
#include <vector>

// The arguments after "setup". Exit status: 0 all sent (and, with --verify,
// confirmed), 1 plan refused or a send failed, 2 usage error, 3 some not
// confirmed in time.
int RunPlanCommand(const std::vector<std::string>& args);
