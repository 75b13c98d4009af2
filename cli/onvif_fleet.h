// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One ONVIF task for many cameras (lanvaro-cli onvif ... --all or several
// --ip): one password for all, at most eight cameras at a time, a result per
// camera, and the exit status the whole run stands for.

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_job_runner.h"
#include "camera/onvif_camera_access.h"

struct FleetCamera {
    std::string xaddr;
    std::string ip;        // its device service's host
    std::string endpoint;  // empty when no search heard it
    std::string name;      // the Name cell of its row, where a search found it
};

enum class FleetTask { Info, SyncTime, Reboot, SetPassword };

using FleetClock = std::chrono::steady_clock;

// Whether a restarted camera came back: seconds from `sentAt` until it
// answered again, nullopt when it did not within `limit`.
using RestartWatch =
    std::function<std::optional<double>(const FleetCamera&, FleetClock::time_point sentAt, std::chrono::seconds limit)>;

struct FleetRequest {
    FleetTask task = FleetTask::Info;
    OnvifCredentials credentials;
    bool force = false;                // sync-time: also cameras on NTP
    std::string forUser;               // set-password: whose (empty: the signed-in user)
    std::string newPassword;           // set-password
    std::optional<int> verifySeconds;  // reboot
    RestartWatch watchRestart;         // reboot with verifySeconds
};

struct FleetOutcome {
    bool ok = false;
    OnvifCallStatus status = OnvifCallStatus::Ok;  // the failure's kind
    bool notBack = false;                          // rebooted, not back in time
    std::string result;                            // what the camera's line says
    OnvifDeviceFacts facts;                        // info
};

// Every camera's outcome, in the cameras' order.
std::vector<FleetOutcome> RunFleet(OnvifCameraAccess& access, const std::vector<FleetCamera>& cameras,
                                   const FleetRequest& request, std::size_t atOnce = kCamerasAtOnce);

// 0 every camera succeeded; 4 every camera refused the sign-in; 5 none had a
// device service; 3 some camera not back after a verified reboot; else 1.
int FleetExitStatus(const std::vector<FleetOutcome>& outcomes);
