// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window's ONVIF items: "Sign In...", "Sync Time", "Pictures",
// "Pictures of All Cameras" and "Camera Tasks..." in the pop-up menu, and the dialogs and windows
// OnvifCameraActions opens, over the window.

#include <memory>
#include <vector>

#include <QPointer>

#include "camera/camera_job_runner.h"
#include "camera/camera_tasks_form.h"
#include "camera/onvif_camera_actions.h"
#include "camera/picture_wall_form.h"

class QAction;
class QMenu;
class QWidget;

class OnvifCameraMenu : public OnvifCameraWindow {
public:
    OnvifCameraMenu(QWidget& owner, WindowOps& form, CameraHost& logic, QMenu& popup);
    ~OnvifCameraMenu() override;

    // Test seam: another way to the cameras and another keyring.
    void SetCameraSupport(std::unique_ptr<OnvifCameraAccess> access, std::unique_ptr<CredentialVault> vault);

    // Before the pop-up opens: the ONVIF items only on a camera's row.
    void Popup();
    // The row actions on a camera's row; false for any other row.
    bool Info1Click();
    bool NetworkSetup1Click();

    OnvifCameraActions& Actions() { return *actions_; }
    // Opens "Pictures" of the selected rows' cameras, or of every camera of
    // the search; nullptr when there is none.
    PictureWallForm* ShowPictures(bool allCameras);
    // Opens "Camera Tasks" for the selected rows' cameras, or for every
    // camera of the search when no camera row is selected; nullptr when
    // there is none.
    CameraTasksForm* ShowCameraTasks();
    // Test seam: how a restarted camera is watched until it is back.
    void SetRestartWatch(RestartWatch watch) { restartWatch_ = std::move(watch); }
    QAction* SignIn1 = nullptr;
    QAction* SyncTime1 = nullptr;
    QAction* Pictures1 = nullptr;
    QAction* AllPictures1 = nullptr;
    QAction* CameraTasks1 = nullptr;

    // OnvifCameraWindow
    std::optional<OnvifSignInAnswer> AskSignIn(const OnvifSignInQuestion& question) override;
    void ShowCameraDetails(const OnvifDeviceInfo& device, const OnvifDetailsView& view,
                           const std::function<OnvifDetailsView()>& refresh) override;
    void ShowCameraNetworkSetup(const tComUnitInfo& record, NetSetupContext context) override;
    PictureDecoder Decoder(int width, int height) override;

private:
    // The camera windows use the actions and the runner: they go first.
    void CloseWalls();

    QWidget& owner_;
    WindowOps& form_;
    CameraHost& logic_;
    std::unique_ptr<OnvifCameraAccess> access_;
    std::unique_ptr<CredentialVault> vault_;
    std::unique_ptr<OnvifCameraActions> actions_;
    // After the access, whose calls its jobs make.
    std::unique_ptr<CameraJobRunner> runner_;
    std::vector<QPointer<QWidget>> walls_;  // Pictures and Camera Tasks windows
    RestartWatch restartWatch_;
};
