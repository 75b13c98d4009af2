// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_fleet.h"

#include "protocol/text_format.h"

namespace {

FleetOutcome Failed(const OnvifCallResult& result) {
    FleetOutcome outcome;
    outcome.status = result.status;
    outcome.result = result.message.empty() ? "failed" : result.message;
    return outcome;
}

FleetOutcome Succeeded(std::string result) {
    FleetOutcome outcome;
    outcome.ok = true;
    outcome.result = std::move(result);
    return outcome;
}

FleetOutcome Info(OnvifCameraAccess& access, const FleetCamera& camera, const FleetRequest& request) {
    OnvifDeviceFacts facts;
    const OnvifCallResult result = access.ReadFacts(camera.xaddr, request.credentials, facts);
    FleetOutcome outcome = result.ok() ? Succeeded("read") : Failed(result);
    outcome.facts = std::move(facts);
    return outcome;
}

FleetOutcome SyncTime(OnvifCameraAccess& access, const FleetCamera& camera, const FleetRequest& request) {
    // Setting the time by hand switches NTP off: only with --force.
    OnvifDeviceFacts facts;
    if (const OnvifCallResult read = access.ReadFacts(camera.xaddr, request.credentials, facts); !read.ok())
        return Failed(read);
    if (facts.ntp.value_or(false) && !request.force) {
        FleetOutcome outcome =
            Failed({OnvifCallStatus::Refused, "the camera takes its time from NTP; give --force to set it by hand"});
        outcome.onNtp = true;
        return outcome;
    }
    double offset = 0;
    const OnvifCallResult synced = access.SyncTime(camera.xaddr, request.credentials, offset);
    return synced.ok() ? Succeeded("clock offset now " + Tenths(offset) + " s") : Failed(synced);
}

FleetOutcome Reboot(OnvifCameraAccess& access, const FleetCamera& camera, const FleetRequest& request) {
    const FleetClock::time_point sentAt = FleetClock::now();
    const OnvifCallResult result = access.Reboot(camera.xaddr, request.credentials);
    if (!result.ok()) return Failed(result);
    if (!request.verifySeconds || !request.watchRestart) return Succeeded("restarting");
    const auto limit = std::chrono::seconds(*request.verifySeconds);
    static const std::atomic<bool> never{false};
    if (const auto back = request.watchRestart(camera, sentAt, limit, request.cancel ? *request.cancel : never))
        return Succeeded("back after " + Tenths(*back) + " s");
    FleetOutcome outcome =
        Failed({OnvifCallStatus::Failed, "not back within " + std::to_string(*request.verifySeconds) + " s"});
    outcome.notBack = true;
    return outcome;
}

FleetOutcome SetPassword(OnvifCameraAccess& access, const FleetCamera& camera, const FleetRequest& request) {
    const std::string user = request.forUser.empty() ? request.credentials.user : request.forUser;
    const OnvifCallResult changed = access.SetPassword(camera.xaddr, request.credentials, user, request.newPassword);
    if (!changed.ok()) return Failed(changed);
    // Proved only by a sign-in with it: a camera may answer success and keep the old one.
    OnvifDeviceFacts facts;
    const OnvifCallResult proof = access.ReadFacts(camera.xaddr, OnvifCredentials{user, request.newPassword}, facts);
    if (!proof.ok()) {
        FleetOutcome outcome = Failed(proof);
        outcome.status = OnvifCallStatus::Failed;  // the sign-in with the old password worked
        outcome.result = user == request.credentials.user || proof.status != OnvifCallStatus::SignInRefused
                             ? "changed, but a sign-in with the new password failed: " + proof.message
                             : "changed, not proved: " + user +
                                   " may not sign in as an administrator, which proving the password needs";
        return outcome;
    }
    if (facts.auth == OnvifAuthMethod::Open)
        return Succeeded("changed; the camera lets anyone read, so the new password is checked at its first change");
    FleetOutcome outcome = Succeeded("changed and proved");
    outcome.proved = true;
    return outcome;
}

}  // namespace

FleetOutcome RunFleetTask(OnvifCameraAccess& access, const FleetCamera& camera, const FleetRequest& request) {
    switch (request.task) {
        case FleetTask::Info:
            return Info(access, camera, request);
        case FleetTask::SyncTime:
            return SyncTime(access, camera, request);
        case FleetTask::Reboot:
            return Reboot(access, camera, request);
        case FleetTask::SetPassword:
            return SetPassword(access, camera, request);
    }
    return {};
}

FleetRun::FleetRun(OnvifCameraAccess& access, FleetRequest request, std::size_t atOnce)
    : access_(access), request_(std::move(request)), runner_(atOnce) {}

FleetRun::~FleetRun() { Wait(); }

void FleetRun::Add(FleetCamera camera) {
    std::lock_guard lock(mutex_);
    const std::size_t index = cameras_.size();
    cameras_.push_back(std::move(camera));
    outcomes_.emplace_back();
    ++left_;
    runner_.Add([this, index, &camera = cameras_.back()] {
        FleetOutcome outcome = RunFleetTask(access_, camera, request_);
        std::lock_guard ended(mutex_);
        outcomes_[index] = std::move(outcome);
        if (--left_ == 0) done_.notify_all();
    });
}

std::vector<FleetOutcome> FleetRun::Wait() {
    // Each call is bounded by its own time limits, and a restart's watch by its limit.
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return left_ == 0; });
    return outcomes_;
}

std::vector<FleetOutcome> RunFleet(OnvifCameraAccess& access, const std::vector<FleetCamera>& cameras,
                                   const FleetRequest& request, std::size_t atOnce) {
    FleetRun run(access, request, atOnce);
    for (const FleetCamera& camera : cameras) run.Add(camera);
    return run.Wait();
}
