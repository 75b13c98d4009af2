// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// lanvaro-cli onvif info | sync-time, and setup --onvif: an ONVIF camera's
// device service from the command line (media and snapshot: onvif_media_command.h).

#include <string>
#include <vector>

#include "onvif/device_client.h"
#include "protocol/text_format.h"

// Exit codes beyond 0, 1 and 2 (usage).
inline constexpr int kExitSignInRefused = 4;
inline constexpr int kExitNoDeviceService = 5;

// The arguments after "onvif". Exit status: 0, 1 (refused, or a camera on
// NTP without --force), 2 usage, 4 sign-in refused, 5 no device service.
int RunOnvifCommand(const std::vector<std::string>& args);

struct OnvifCliOptions;
// info, sync-time, reboot or set-password for many cameras (onvif_fleet.h):
// exit status as FleetExitStatus, 2 usage.
int RunOnvifFleetCommand(const std::string& command, const OnvifCliOptions& options);

// The arguments after "setup" when they hold --onvif. Exit status as setup's
// (0 sent or confirmed, 1 a check or call refused, 2 usage, 3 not confirmed
// in time), 4 sign-in refused, 5 no device service answered.
int RunOnvifSetupCommand(const std::vector<std::string>& args);

struct OnvifCliOptions;
// The first call: 0, or its exit status after saying why (5 when nothing at
// the address speaks the device service).
int ReadOpenFacts(OnvifDeviceClient& client, OnvifDeviceFacts& facts);
// Signs in as the options' user with the password from wherever it is given;
// 0 (and the credentials that signed in, where asked), or the exit status (2
// when there is no password).
int SignInFromOptions(OnvifDeviceClient& client, const OnvifCliOptions& options, const char* command,
                      OnvifCredentials* signedInAs = nullptr, OnvifSignInReads alsoRead = OnvifSignInReads::ProofOnly);

// The exit status a failed call stands for.
int ExitCodeOf(OnvifCallStatus status);

// The facts as one JSON object; without a sign-in the signed-in keys are null.
std::string OnvifFactsJson(const OnvifDeviceFacts& facts);
