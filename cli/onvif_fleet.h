// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a run of one ONVIF task over many cameras (lanvaro-cli onvif ...
// --all or several --ip) stands for as the command's exit status.

#include <vector>

#include "camera/camera_fleet.h"

// 0 every camera succeeded; 4 every camera refused the sign-in; 5 none had a
// device service; 3 some camera not back after a verified reboot; else 1.
int FleetExitStatus(const std::vector<FleetOutcome>& outcomes);
