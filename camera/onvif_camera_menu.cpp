// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_camera_menu.h"

#include <QAction>
#include <QMenu>

#include "camera/camera_restart_watch.h"
#include "camera/keyring_vault.h"
#include "camera/onvif_camera_details_dialog.h"
#include "camera/onvif_sign_in_dialog.h"
#include "camera/qt_picture.h"
#include "netsetup/net_form.h"

OnvifCameraMenu::OnvifCameraMenu(QWidget& owner, WindowOps& form, CameraHost& logic, QMenu& popup)
    : owner_(owner), form_(form), logic_(logic) {
    SignIn1 = popup.addAction(QStringLiteral("Sign In..."));
    SignIn1->setObjectName(QStringLiteral("SignIn1"));
    SyncTime1 = popup.addAction(QStringLiteral("Sync Time"));
    SyncTime1->setObjectName(QStringLiteral("SyncTime1"));
    Pictures1 = popup.addAction(QStringLiteral("Pictures"));
    Pictures1->setObjectName(QStringLiteral("Pictures1"));
    AllPictures1 = popup.addAction(QStringLiteral("Pictures of All Cameras"));
    AllPictures1->setObjectName(QStringLiteral("AllPictures1"));
    CameraTasks1 = popup.addAction(QStringLiteral("Camera Tasks..."));
    CameraTasks1->setObjectName(QStringLiteral("CameraTasks1"));
    for (QAction* action : {SignIn1, SyncTime1, Pictures1, AllPictures1, CameraTasks1}) action->setVisible(false);
    QObject::connect(SignIn1, &QAction::triggered, &popup, [this] { actions_->SignIn1Click(); });
    QObject::connect(SyncTime1, &QAction::triggered, &popup, [this] { actions_->SyncTime1Click(); });
    QObject::connect(Pictures1, &QAction::triggered, &popup, [this] { ShowPictures(false); });
    QObject::connect(AllPictures1, &QAction::triggered, &popup, [this] { ShowPictures(true); });
    QObject::connect(CameraTasks1, &QAction::triggered, &popup, [this] { ShowCameraTasks(); });
    restartWatch_ = [](const FleetCamera& camera, FleetClock::time_point sentAt, std::chrono::seconds limit,
                       const std::atomic<bool>& cancel) {
        return WatchCameraRestart(camera.xaddr, camera.endpoint, sentAt, limit, cancel);
    };
    SetCameraSupport(MakeOnvifDeviceAccess(), std::make_unique<KeyringVault>());
}

OnvifCameraMenu::~OnvifCameraMenu() {
    CloseWalls();
    runner_.reset();
}

void OnvifCameraMenu::CloseWalls() {
    for (const QPointer<QWidget>& wall : walls_) delete wall.data();
    walls_.clear();
}

void OnvifCameraMenu::SetCameraSupport(std::unique_ptr<OnvifCameraAccess> access,
                                       std::unique_ptr<CredentialVault> vault) {
    CloseWalls();
    runner_.reset();
    actions_.reset();
    access_ = std::move(access);
    vault_ = std::move(vault);
    actions_ = std::make_unique<OnvifCameraActions>(logic_, form_, *this, *access_, *vault_);
    runner_ = std::make_unique<CameraJobRunner>();
}

void OnvifCameraMenu::Popup() {
    const bool camera = actions_->SelectedRowIsCamera();
    SignIn1->setVisible(camera);
    SyncTime1->setVisible(camera);
    Pictures1->setVisible(!actions_->SelectedCameras().empty());
    AllPictures1->setVisible(!actions_->AllCameras().empty());
    CameraTasks1->setVisible(AllPictures1->isVisible());
}

CameraTasksForm* OnvifCameraMenu::ShowCameraTasks() {
    std::vector<OnvifRowCamera> cameras = actions_->SelectedCameras();
    if (cameras.empty()) cameras = actions_->AllCameras();
    if (cameras.empty()) return nullptr;
    std::erase_if(walls_, [](const QPointer<QWidget>& wall) { return wall.isNull(); });
    auto* tasks = new CameraTasksForm(&owner_, form_, *actions_, *runner_, std::move(cameras), restartWatch_);
    walls_.emplace_back(tasks);
    tasks->show();
    return tasks;
}

PictureWallForm* OnvifCameraMenu::ShowPictures(bool allCameras) {
    std::vector<OnvifRowCamera> cameras = allCameras ? actions_->AllCameras() : actions_->SelectedCameras();
    if (cameras.empty()) return nullptr;
    std::erase_if(walls_, [](const QPointer<QWidget>& wall) { return wall.isNull(); });
    auto* wall =
        new PictureWallForm(&owner_, form_, *actions_, *runner_, std::move(cameras),
                            allCameras ? QStringLiteral("Pictures of All Cameras") : QStringLiteral("Pictures"));
    walls_.emplace_back(wall);
    wall->show();
    return wall;
}

PictureDecoder OnvifCameraMenu::Decoder(int width, int height) { return QtPictureDecoder(width, height); }

bool OnvifCameraMenu::Info1Click() {
    if (!actions_->SelectedRowIsCamera()) return false;
    actions_->Info1Click();
    return true;
}

bool OnvifCameraMenu::NetworkSetup1Click() {
    if (!actions_->SelectedRowIsCamera()) return false;
    actions_->NetworkSetup1Click();
    return true;
}

std::optional<OnvifSignInAnswer> OnvifCameraMenu::AskSignIn(const OnvifSignInQuestion& question) {
    return AskOnvifSignIn(&owner_, question);
}

void OnvifCameraMenu::ShowCameraDetails(const OnvifDeviceInfo& device, const OnvifDetailsView& view,
                                        const std::function<OnvifDetailsView()>& refresh) {
    ShowOnvifCameraDetailsDialog(&owner_, form_, device, view, refresh);
}

void OnvifCameraMenu::ShowCameraNetworkSetup(const tComUnitInfo& record, NetSetupContext context) {
    ShowNetFormDialog(&owner_, form_, record, std::move(context));
}
