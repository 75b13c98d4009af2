// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ONVIF cameras in a Batch Network Setup. Each signs in with the password
// known for it, or with the one the user gives once for the batch; it reads
// its interfaces before the numbering (so a wrong password shows in the
// preview, before anything is sent), takes the change off the window thread
// and is confirmed by its endpoint answering WS-Discovery at the new address.

#include <memory>
#include <vector>

#include "camera/onvif_batch_sign_in.h"
#include "camera/onvif_camera_actions.h"
#include "netsetup/batch_setup_logic.h"

inline constexpr const char* kBatchRestartQuestion =
    "Some cameras must restart to use the new settings. Restart each camera that must?";

// What a batch's cameras share: the camera calls, the password given for the
// batch and the one answer on restarting.
struct OnvifBatchShared;
class OnvifBatchCamera;

class OnvifBatchCameras : public BatchDeviceSource {
public:
    using Support = OnvifCameraActions::Parts;
    explicit OnvifBatchCameras(Support support);
    ~OnvifBatchCameras() override;

    std::shared_ptr<DeviceSetup> SetupFor(const tComUnitInfo& row) override;
    bool SignIn(int awaiting) override;
    void Prepared() override;

private:
    Support support_;
    std::shared_ptr<OnvifBatchShared> shared_;
    std::vector<std::weak_ptr<OnvifBatchCamera>> cameras_;
    OnvifBatchSignIn signIn_;
};
