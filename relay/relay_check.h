// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-relay --check: what the relay would serve, whether its ports are
// free, and the devices one search of the site finds. Exit 0 when it could
// serve, 1 when a port cannot be had.

#include <string>

#include "relay/relay_options.h"

int RunRelayCheck(const RelayCommandLine& command, bool configRead);
