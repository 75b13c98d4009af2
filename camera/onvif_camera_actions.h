// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pop-up menu's actions on an ONVIF row: sign in, the details with what
// the camera says of itself, setting its clock and its network settings.
// Every camera call runs off the window thread while the window keeps
// handling its messages; the dialogs go through OnvifCameraWindow, which
// tests answer.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "camera/camera_host.h"
#include "camera/camera_picture_fetch.h"
#include "camera/onvif_camera_access.h"
#include "camera/onvif_credentials.h"
#include "netsetup/net_form_logic.h"
#include "protocol/com_unit_info.h"
#include "protocol/onvif_device_info.h"
#include "protocol/window_ops.h"

struct OnvifSignInQuestion {
    std::string camera;  // how the dialog names it
    std::string user;    // the user name to offer
    bool remembered = false;
    bool keyringAvailable = true;
};

struct OnvifSignInAnswer {
    enum class Choice { SignIn, Forget };
    Choice choice = Choice::SignIn;
    OnvifCredentials credentials;
    bool remember = false;
    bool useForEveryCamera = false;
};

struct OnvifDetailsView {
    std::vector<std::pair<std::string, std::string>> facts;  // caption, value
    std::string clockNote;                                   // empty while the clock is close enough
    std::string problem;                                     // why facts are missing
    // What the camera streams, and its picture (not read while not signed in).
    std::optional<CameraPicture> picture;
    std::string pictureName;  // the camera, as a picture saved of it is named
};

// A camera of the table: the row's record, the camera behind it, and the
// XAddr the row stands for.
struct OnvifRowCamera {
    OnvifDeviceInfo device;
    tComUnitInfo record{};
    std::string xaddr;
    OnvifCameraPlace Place() const;
    // "name (address)", or the address alone.
    std::string Title() const;
};

class OnvifCameraWindow {
public:
    virtual ~OnvifCameraWindow() = default;
    // nullopt when the user cancelled.
    virtual std::optional<OnvifSignInAnswer> AskSignIn(const OnvifSignInQuestion& question) = 0;
    virtual void ShowCameraDetails(const OnvifDeviceInfo& device, const OnvifDetailsView& view,
                                   const std::function<OnvifDetailsView()>& refresh) = 0;
    virtual void ShowCameraNetworkSetup(const tComUnitInfo& record, NetSetupContext context) = 0;
    // Makes pictures ready to show at most this large, on any thread; empty
    // where nothing is shown.
    virtual PictureDecoder Decoder(int width, int height) {
        (void)width;
        (void)height;
        return {};
    }
};

inline constexpr const char* kNtpQuestion = "The camera takes its time from NTP. Set it by hand instead?";
inline constexpr const char* kRestartQuestion = "The camera must restart to use the new settings. Restart it now?";

// "The camera's clock is N s off; sign-in may fail until it is set." beyond 5 s.
std::string ClockNote(const std::optional<double>& offsetSeconds);
// The facts as the dialog lists them, beside the discovery data.
OnvifDetailsView DetailsViewOf(const OnvifDeviceFacts& facts);
std::string NetmaskOf(int prefixLength);
// What the dialog's request asks of the camera; nullopt when its netmask has
// no prefix length.
std::optional<OnvifNetworkChange> NetworkChangeFor(const ControlRequest& request);
// The Network Setup dialog's record: the row's texts with the camera's MAC,
// address, netmask, gateway and DNS from the interface at the row's address.
tComUnitInfo CameraSetupRecord(const tComUnitInfo& row, const OnvifDeviceFacts& facts);
// The XAddr a row stands for: the http one at the row's address, which it was taken from.
std::string OnvifRowXAddr(const OnvifDeviceInfo& device, const std::string& rowIp);
// Keeps a password the camera took for these cameras, as the sign-in
// answer asks (for the run, or in the keyring); says so when the keyring
// could not keep it.
void KeepSignIn(OnvifCredentialBook& book, WindowOps& form, const OnvifSignInAnswer& answer,
                const std::vector<OnvifCameraPlace>& cameras);
// Which settings took and which did not, after a refused call.
std::string PartialChangeText(const OnvifNetworkOutcome& outcome);
// What the camera did with a change whose address went out: took it, its
// answer lost, or the steps left for the new address not applied; and what
// it holds where it was read back.
std::string SentChangeText(const OnvifNetworkOutcome& outcome);

class OnvifCameraActions {
public:
    OnvifCameraActions(CameraHost& logic, WindowOps& form, OnvifCameraWindow& window, OnvifCameraAccess& access,
                       CredentialVault& vault);

    // Whether the selected row is an ONVIF row whose camera is still listed.
    bool SelectedRowIsCamera();
    // The cameras of the selected rows (of the acted-on row when none is
    // selected), and every camera of the search, in the table's order.
    std::vector<OnvifRowCamera> SelectedCameras();
    std::vector<OnvifRowCamera> AllCameras();

    void SignIn1Click();
    void Info1Click();
    void SyncTime1Click();
    void NetworkSetup1Click();
    // The details dialog of any listed camera (a picture's double click).
    void ShowDetails(const OnvifRowCamera& camera);

    // The facts read from a camera this run.
    const OnvifDeviceFacts* KnownFacts(const std::string& endpoint) const;

    // What a batch setup's cameras share with these actions; all of it lives
    // as long as the window.
    struct Parts {
        CameraHost& logic;
        WindowOps& form;
        OnvifCameraWindow& window;
        OnvifCameraAccess& access;
        OnvifCredentialBook& book;
        std::map<std::string, OnvifDeviceFacts>& facts;
        std::string& lastUser;
    };
    Parts Shared() { return {logic_, form_, window_, access_, book_, facts_, lastUser_}; }

private:
    using Camera = OnvifRowCamera;
    std::optional<Camera> CameraAtRow(int row);
    std::optional<Camera> SelectedCamera();
    // The facts as the details show them, with the camera's media and picture when signed in.
    OnvifDetailsView DetailsOf(const Camera& camera, const std::optional<OnvifCredentials>& credentials);
    // Known credentials, else those the sign-in dialog gave and the camera
    // took; a password the camera could not prove holds for the run only.
    std::optional<OnvifCredentials> CredentialsFor(const Camera& camera);
    std::optional<OnvifCredentials> SignInWithDialog(const Camera& camera);
    // Reads the facts and keeps them; on failure says why and forgets a refused password.
    bool ReadFacts(const Camera& camera, const std::optional<OnvifCredentials>& credentials);
    bool SendNetworkChange(const Camera& camera, const OnvifCredentials& credentials, const ControlRequest& request);
    void Refused(const Camera& camera, const OnvifCallResult& result, const char* title);
    // Runs a camera call off the window thread, showing what it waits for.
    template <class Result>
    Result Ask(const std::string& doing, std::function<Result()> call);

    CameraHost& logic_;
    WindowOps& form_;
    OnvifCameraWindow& window_;
    OnvifCameraAccess& access_;
    OnvifCredentialBook book_;
    std::map<std::string, OnvifDeviceFacts> facts_;
    std::string lastUser_;
    bool calling_ = false;
};
