// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Camera Tasks": one task for many cameras at once (read their facts, set
// their clocks, restart them, change their password), a result per camera.
// Calls run off the window thread through a CameraJobRunner and come back
// by posting; cameras without a known password wait for one sign-in of the
// whole run. Restarts and password changes go in rounds: after a failure in
// a round the user is asked before the next, so one mistake does not take
// down a site at once.

#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_fleet.h"
#include "camera/camera_job_runner.h"
#include "camera/onvif_batch_sign_in.h"
#include "camera/onvif_camera_actions.h"

enum class CameraTask { ReadFacts, SyncTime, Restart, ChangePassword };

inline constexpr std::size_t kCamerasPerRound = 8;
inline constexpr int kRestartLimitSeconds = 180;

struct CameraTaskRow {
    OnvifRowCamera camera;
    std::string name;                       // its row's name
    std::string address;                    // its row's address
    std::optional<OnvifDeviceFacts> facts;  // from the last Read Facts that worked
    std::string state;                      // what goes on, or the last task's result
    bool pending = false;                   // waiting or working: the task has not ended for it
    bool failed = false;
};

// The table's columns, as the window and Copy as Text show them.
const std::vector<std::string>& CameraTaskColumns();
std::vector<std::string> CameraTaskCells(const CameraTaskRow& row);

class CameraTasksView {
public:
    virtual ~CameraTasksView() = default;
    virtual void ShowRow(std::size_t index, const CameraTaskRow& row) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // Whether a task runs: its buttons wait, Cancel may stop it.
    virtual void ShowRunning(bool running) = 0;
};

class CameraTasksLogic {
public:
    // `runner`, `actions` and the window behind them outlive the logic.
    CameraTasksLogic(OnvifCameraActions& actions, CameraJobRunner& runner, CameraTasksView& view,
                     std::vector<OnvifRowCamera> cameras, RestartWatch watchRestart);
    CameraTasksLogic(const CameraTasksLogic&) = delete;
    CameraTasksLogic& operator=(const CameraTasksLogic&) = delete;
    // Cameras not asked yet are not asked; a restart's watch ends.
    ~CameraTasksLogic();

    void ReadFacts();
    // Asks once before taking cameras off NTP.
    void SyncTime();
    // Asks once, naming the count.
    void Restart();
    // `user` empty: each camera's signed-in user.
    void ChangePassword(const std::string& user, const std::string& newPassword);
    // The cameras not started are left alone; a restart's watch ends.
    void Cancel();

    bool Running() const { return task_.has_value(); }
    const std::vector<CameraTaskRow>& Rows() const { return rows_; }
    // The user names signed in with, then those the cameras listed (Read
    // Facts), for the password dialog to offer.
    std::vector<std::string> UserNames();
    // The inventory as lanvaro-cli onvif info --format csv writes it.
    std::string Inventory() const;
    // The table as tab-separated lines, header first.
    std::string Text() const;

private:
    void Start(CameraTask task, std::vector<std::size_t> which);
    void NextRound();
    void Run(std::size_t index);
    void Started(std::size_t index, unsigned run);
    void Took(std::size_t index, unsigned run, FleetOutcome outcome);
    void RoundEnded();
    void Finished();
    void Show(std::size_t index);
    void ShowStatus();
    std::string Redacted(std::string text) const;

    OnvifCameraActions::Parts parts_;
    CameraJobRunner& runner_;
    CameraTasksView& view_;
    RestartWatch watchRestart_;
    OnvifBatchSignIn signIn_;
    std::vector<CameraTaskRow> rows_;

    // The run of a task.
    std::optional<CameraTask> task_;
    const char* taskName_ = "";
    unsigned run_ = 0;
    std::vector<std::optional<OnvifCredentials>> credentials_;  // per row
    std::vector<bool> given_;                                   // per row: the sign-in's password
    std::vector<std::size_t> queue_;                            // rows not started, in order
    std::size_t inRound_ = 0, roundFailed_ = 0;
    bool forceNtp_ = false;
    std::string forUser_, newPassword_;
    std::vector<OnvifCameraPlace> proved_, open_;
    // New passwords proved, kept once the sign-in's password was.
    std::vector<std::pair<OnvifCameraPlace, OnvifCredentials>> changed_;
    std::vector<std::size_t> onNtp_;
    std::string note_;
    std::shared_ptr<std::atomic<bool>> cancel_ = std::make_shared<std::atomic<bool>>(false);
    // Results posted after the window is gone find this expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
