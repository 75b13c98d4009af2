// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The dialogs of the window's ONVIF actions answered by the test, and the
// cameras and sign-ins the tests give.

#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/main_form_logic.h"
#include "camera/onvif_camera_actions.h"
#include "onvif/onvif_rows.h"

class FakeCameraWindow : public OnvifCameraWindow {
public:
    std::vector<std::optional<OnvifSignInAnswer>> answers;  // given in order, then cancelled
    std::vector<OnvifSignInQuestion> questions;
    std::vector<OnvifDetailsView> detailsShown;
    std::function<OnvifDetailsView()> refresh;
    std::vector<tComUnitInfo> setupShown;
    NetSetupContext setupContext;

    std::optional<OnvifSignInAnswer> AskSignIn(const OnvifSignInQuestion& question) override {
        questions.push_back(question);
        if (questions.size() > answers.size()) return std::nullopt;
        return answers[questions.size() - 1];
    }
    void ShowCameraDetails(const OnvifDeviceInfo&, const OnvifDetailsView& view,
                           const std::function<OnvifDetailsView()>& again) override {
        detailsShown.push_back(view);
        refresh = again;
    }
    void ShowCameraNetworkSetup(const tComUnitInfo& record, NetSetupContext context) override {
        setupShown.push_back(record);
        setupContext = std::move(context);
    }
};

// Camera n (1-9) at 127.0.0.n, its row XAddr after a link-local one.
inline OnvifDeviceInfo TestOnvifCamera(int n) {
    OnvifDeviceInfo device;
    device.endpoint = "urn:uuid:7e57ca11-0000-4000-8000-00000000000" + std::to_string(n);
    device.scopes = {"onvif://www.onvif.org/hardware/QF-200", "onvif://www.onvif.org/name/lobby" + std::to_string(n)};
    device.xaddrs = {"http://[fe80::1]/onvif/device_service",
                     "http://127.0.0." + std::to_string(n) + "/onvif/device_service"};
    device.xaddr = device.xaddrs[1];
    return device;
}

inline OnvifSignInAnswer TestSignIn(const std::string& user, const std::string& password, bool remember = false,
                                    bool everyCamera = false) {
    OnvifSignInAnswer answer;
    answer.credentials = {user, password};
    answer.remember = remember;
    answer.useForEveryCamera = everyCamera;
    return answer;
}

// Cameras 1..count as a search lists them: their records in the device list,
// the cameras in the ONVIF engine. Returns the records in that order.
inline std::vector<tComUnitInfo> ListTestCameras(MainFormLogic& logic, int count) {
    std::vector<tComUnitInfo> records;
    for (int n = 1; n <= count; ++n) {
        std::string problem;
        const auto record = OnvifDeviceRecord(TestOnvifCamera(n), problem);
        if (!record) throw std::logic_error("camera " + std::to_string(n) + " makes no row: " + problem);
        records.push_back(*record);
        logic.ComUnitList.push_back(*record);
        logic.OnvifEngine.m_Devices.push_back(TestOnvifCamera(n));
    }
    return records;
}
