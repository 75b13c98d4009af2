// SPDX-License-Identifier: GPL-3.0-or-later
// The window's camera calls through the device service client: one client
// per call, signed in before the question is asked.

#include "camera/onvif_camera_access.h"

namespace {

class DeviceClientAccess : public OnvifCameraAccess {
public:
    OnvifCallResult ReadFacts(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                              OnvifDeviceFacts& facts) override {
        OnvifDeviceClient client(xaddr);
        // Measures the clock offset first, which WS-Security's sign-in needs.
        OnvifCallResult result = client.ReadPublicFacts(facts);
        if (!result.ok()) return result;
        result = client.SignIn(credentials, OnvifSignInReads::NetworkToo);
        if (!result.ok()) return result;
        return client.ReadFacts(facts);
    }

    OnvifCallResult SyncTime(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                             double& newOffsetSeconds) override {
        OnvifDeviceClient client(xaddr);
        OnvifCallResult result = SignedIn(client, credentials);
        return result.ok() ? client.SyncTime(newOffsetSeconds) : result;
    }

    OnvifNetworkOutcome ApplyNetworkChange(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                                           const OnvifNetworkChange& change) override {
        OnvifDeviceClient client(xaddr);
        OnvifNetworkOutcome outcome;
        outcome.result = SignedIn(client, credentials);
        return outcome.result.ok() ? client.ApplyNetworkChange(change) : outcome;
    }

    OnvifNetworkOutcome FinishNetworkChange(const std::string& xaddr,
                                            const std::optional<OnvifCredentials>& credentials,
                                            const OnvifNetworkChange& change,
                                            const std::vector<std::string>& steps) override {
        return OnvifDeviceClient::FinishNetworkChange(xaddr, credentials, change, steps);
    }

    OnvifCallResult Reboot(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials) override {
        OnvifDeviceClient client(xaddr);
        OnvifCallResult result = SignedIn(client, credentials);
        return result.ok() ? client.Reboot() : result;
    }

    OnvifCallResult SetPassword(const std::string& xaddr, const OnvifCredentials& credentials, const std::string& user,
                                const std::string& newPassword) override {
        OnvifDeviceClient client(xaddr);
        OnvifCallResult result = SignedIn(client, credentials);
        return result.ok() ? client.SetPassword(user, newPassword) : result;
    }

    OnvifCallResult ReadMedia(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                              OnvifMedia& media) override {
        OnvifDeviceClient client(xaddr);
        OnvifCallResult result = SignedIn(client, credentials);
        return result.ok() ? ReadOnvifMedia(client, media) : result;
    }

    SnapshotResult FetchPicture(const std::string& uri, const std::optional<OnvifCredentials>& credentials) override {
        return FetchSnapshot(uri, credentials);
    }

private:
    static OnvifCallResult SignedIn(OnvifDeviceClient& client, const std::optional<OnvifCredentials>& credentials) {
        OnvifDeviceFacts facts;
        OnvifCallResult result = client.ReadPublicFacts(facts);
        return result.ok() ? client.SignIn(credentials) : result;
    }
};

}  // namespace

std::unique_ptr<OnvifCameraAccess> MakeOnvifDeviceAccess() { return std::make_unique<DeviceClientAccess>(); }
