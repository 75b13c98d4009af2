// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-cli onvif media | snapshot: what an ONVIF camera streams, and one
// picture from it.

#include <string>

#include "onvif/media_client.h"

struct OnvifCliOptions;

// "media" prints the profiles as one JSON object; "snapshot" writes the
// picture to the options' output file. Exit status as onvif info's (0, 1 a
// call refused or no snapshot, 4 sign-in refused, 5 no service).
int RunOnvifMediaCommand(const std::string& command, const OnvifCliOptions& options);

// The media facts as one JSON object; absent values are null.
std::string OnvifMediaJson(const OnvifMedia& media);
