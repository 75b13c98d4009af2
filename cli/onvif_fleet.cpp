// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/onvif_fleet.h"

#include <algorithm>

#include "cli/onvif_command.h"

int FleetExitStatus(const std::vector<FleetOutcome>& outcomes) {
    auto every = [&](auto test) { return !outcomes.empty() && std::all_of(outcomes.begin(), outcomes.end(), test); };
    if (every([](const FleetOutcome& o) { return o.ok; })) return 0;
    if (every([](const FleetOutcome& o) { return !o.ok && o.status == OnvifCallStatus::SignInRefused; }))
        return kExitSignInRefused;
    if (every([](const FleetOutcome& o) { return !o.ok && o.status == OnvifCallStatus::NoService; }))
        return kExitNoDeviceService;
    if (std::any_of(outcomes.begin(), outcomes.end(), [](const FleetOutcome& o) { return o.notBack; })) return 3;
    return 1;
}
