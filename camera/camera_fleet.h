// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One ONVIF task for many cameras (lanvaro-cli onvif ... --all or several
// --ip, the window's Camera Tasks): each camera's task with the checks its
// result needs, at most eight cameras at a time, a result per camera.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
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
// answered again, nullopt when it did not within `limit` or once `cancel`
// was set.
using RestartWatch = std::function<std::optional<double>(const FleetCamera&, FleetClock::time_point sentAt,
                                                         std::chrono::seconds limit, const std::atomic<bool>& cancel)>;

struct FleetRequest {
    FleetTask task = FleetTask::Info;
    OnvifCredentials credentials;
    bool force = false;                // sync-time: also cameras on NTP
    std::string forUser;               // set-password: whose (empty: the signed-in user)
    std::string newPassword;           // set-password
    std::optional<int> verifySeconds;  // reboot
    RestartWatch watchRestart;         // reboot with verifySeconds
    // Set: a restart's watch ends (a window closed, Cancel). Kept alive by the request.
    std::shared_ptr<const std::atomic<bool>> cancel;
};

struct FleetOutcome {
    bool ok = false;
    OnvifCallStatus status = OnvifCallStatus::Ok;  // the failure's kind
    bool notBack = false;                          // rebooted, not back in time
    bool onNtp = false;                            // sync-time: left alone, it takes its time from NTP
    bool proved = false;                           // set-password: a sign-in with the new one worked
    bool cancelled = false;                        // never started: the run was cancelled first
    std::string result;                            // what the camera's line says
    OnvifDeviceFacts facts;                        // info
};

// One camera's task, blocking until its calls (and a restart's watch) end.
FleetOutcome RunFleetTask(OnvifCameraAccess& access, const FleetCamera& camera, const FleetRequest& request);

// One task for cameras handed in as they are found: each starts at once
// (at most `atOnce` together), so a search need not end before the first
// camera is asked.
class FleetRun {
public:
    FleetRun(OnvifCameraAccess& access, FleetRequest request, std::size_t atOnce = kCamerasAtOnce);
    FleetRun(const FleetRun&) = delete;
    FleetRun& operator=(const FleetRun&) = delete;
    ~FleetRun();

    void Add(FleetCamera camera);
    // Waits for every camera added; their outcomes, in the order added.
    std::vector<FleetOutcome> Wait();

private:
    OnvifCameraAccess& access_;
    const FleetRequest request_;
    std::mutex mutex_;
    std::condition_variable done_;
    std::deque<FleetCamera> cameras_;  // a deque: a running task holds its camera
    std::vector<FleetOutcome> outcomes_;
    std::size_t left_ = 0;
    CameraJobRunner runner_;  // last: joined before the rest goes
};

// Every camera's outcome, in the cameras' order.
std::vector<FleetOutcome> RunFleet(OnvifCameraAccess& access, const std::vector<FleetCamera>& cameras,
                                   const FleetRequest& request, std::size_t atOnce = kCamerasAtOnce);
