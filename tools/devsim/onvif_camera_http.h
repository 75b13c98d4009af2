// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The simulated ONVIF cameras' device services over HTTP: one listener per
// port on every address, each connection served by the camera whose address
// it reached. A camera given a new address takes it after the setup delay
// (or after a reboot where it said one is needed) and serves there. A
// camera told to reboot is silent for a while, then comes back (its clock
// from the factory's time where it has no NTP).

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "tools/devsim/line_sink.h"
#include "tools/devsim/onvif_camera.h"
#include "tools/devsim/onvif_camera_soap.h"
#include "tools/devsim/stream_server.h"

class OnvifCameraHttp {
public:
    OnvifCameraHttp() = default;
    OnvifCameraHttp(const OnvifCameraHttp&) = delete;
    OnvifCameraHttp& operator=(const OnvifCameraHttp&) = delete;
    ~OnvifCameraHttp() { Stop(); }

    // Serves every camera with an http XAddr at an IPv4 address; `first`
    // numbers the first camera, as in its name and MAC.
    bool Start(const std::vector<OnvifCamera>& cameras, int first, const OnvifSimOptions& options,
               std::chrono::milliseconds setupDelay, const std::string& logPath,
               std::function<void(const std::string&)> diag, std::string& error);
    void Stop();

    // The camera's XAddrs as they are now (its discovery answers use them).
    std::vector<std::string> Xaddrs(std::size_t camera) const;
    // Restarting after SystemReboot: silent on every service.
    bool Rebooting(std::size_t camera) const;
    // The cameras whose restart ended since the last call, each to say Hello once.
    std::vector<std::size_t> TakeRestarted();
    // The cameras told to restart since the last call, each to say Bye once.
    std::vector<std::size_t> TakeGoingDown();

private:
    struct Camera {
        OnvifSimSettings settings;
        int port = 80;
        std::vector<std::string> xaddrs;
        OnvifSimNonces nonces;
        std::optional<OnvifSimAddressChange> awaitingReboot;
        std::optional<std::chrono::steady_clock::time_point> rebootUntil;
        std::chrono::steady_clock::time_point busyUntil;  // one-at-a-time: its last answer's time
        int inFlight = 0;                                 // requests it is answering now
    };
    struct Pending {
        std::chrono::steady_clock::time_point due;
        std::size_t camera;
        OnvifSimAddressChange change;
    };
    void Serve(int fd, int port, const Waker& waker);
    void Schedule(std::size_t camera, const OnvifSimAddressChange& change);
    void ApplyLoop();
    void Apply(Camera& camera, const OnvifSimAddressChange& change);

    OnvifSimOptions options_;
    std::chrono::milliseconds setupDelay_{2000};
    std::function<void(const std::string&)> diag_;
    LineSink log_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::vector<Camera> cameras_;
    std::vector<Pending> pending_;
    std::vector<std::size_t> restarted_;
    std::vector<std::size_t> goingDown_;
    std::vector<std::unique_ptr<StreamServer>> servers_;
    std::thread applier_;
};
