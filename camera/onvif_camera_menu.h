#pragma once
// The main window's ONVIF items: "Sign In..." and "Sync Time" in the pop-up
// menu, and the dialogs OnvifCameraActions opens, over the window.

#include <memory>

#include "camera/onvif_camera_actions.h"

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
    QAction* SignIn1 = nullptr;
    QAction* SyncTime1 = nullptr;

    // OnvifCameraWindow
    std::optional<OnvifSignInAnswer> AskSignIn(const OnvifSignInQuestion& question) override;
    void ShowCameraDetails(const OnvifDeviceInfo& device, const OnvifDetailsView& view,
                           const std::function<OnvifDetailsView()>& refresh) override;
    void ShowCameraNetworkSetup(const tComUnitInfo& record, NetSetupContext context) override;

private:
    QWidget& owner_;
    WindowOps& form_;
    CameraHost& logic_;
    std::unique_ptr<OnvifCameraAccess> access_;
    std::unique_ptr<CredentialVault> vault_;
    std::unique_ptr<OnvifCameraActions> actions_;
};
