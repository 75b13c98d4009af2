#include "camera/onvif_camera_menu.h"

#include <QAction>
#include <QMenu>

#include "camera/keyring_vault.h"
#include "camera/onvif_camera_details_dialog.h"
#include "camera/onvif_sign_in_dialog.h"
#include "netsetup/net_form.h"

OnvifCameraMenu::OnvifCameraMenu(QWidget& owner, WindowOps& form, CameraHost& logic, QMenu& popup)
    : owner_(owner), form_(form), logic_(logic) {
    SignIn1 = popup.addAction(QStringLiteral("Sign In..."));
    SignIn1->setObjectName(QStringLiteral("SignIn1"));
    SyncTime1 = popup.addAction(QStringLiteral("Sync Time"));
    SyncTime1->setObjectName(QStringLiteral("SyncTime1"));
    SignIn1->setVisible(false);
    SyncTime1->setVisible(false);
    QObject::connect(SignIn1, &QAction::triggered, &popup, [this] { actions_->SignIn1Click(); });
    QObject::connect(SyncTime1, &QAction::triggered, &popup, [this] { actions_->SyncTime1Click(); });
    SetCameraSupport(MakeOnvifDeviceAccess(), std::make_unique<KeyringVault>());
}

OnvifCameraMenu::~OnvifCameraMenu() = default;

void OnvifCameraMenu::SetCameraSupport(std::unique_ptr<OnvifCameraAccess> access,
                                       std::unique_ptr<CredentialVault> vault) {
    actions_.reset();
    access_ = std::move(access);
    vault_ = std::move(vault);
    actions_ = std::make_unique<OnvifCameraActions>(logic_, form_, *this, *access_, *vault_);
}

void OnvifCameraMenu::Popup() {
    const bool camera = actions_->SelectedRowIsCamera();
    SignIn1->setVisible(camera);
    SyncTime1->setVisible(camera);
}

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
    ShowOnvifCameraDetailsDialog(&owner_, device, view, refresh);
}

void OnvifCameraMenu::ShowCameraNetworkSetup(const tComUnitInfo& record, NetSetupContext context) {
    ShowNetFormDialog(&owner_, form_, record, std::move(context));
}
