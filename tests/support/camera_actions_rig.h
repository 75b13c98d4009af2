// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's camera side over fakes, as every camera test builds it: a
// window and its logic, the camera dialogs answered by the test, one fake
// camera behind every address and a keyring in memory.

#include <cstddef>
#include <vector>

#include "app/main_form_logic.h"
#include "camera/onvif_camera_actions.h"
#include "protocol/window_ops.h"
#include "tests/support/fake_camera_window.h"
#include "tests/support/fake_onvif_camera.h"
#include "tests/support/fake_window.h"

struct CameraActionsRig {
    // Cameras 1..count in the table's rows 1..count, as a search shows them.
    void ShowCameras(int count) {
        form.SetRowCount(count + 1);
        const std::vector<tComUnitInfo> records = ListTestCameras(logic, count);
        for (int n = 1; n <= count; ++n) WriteRecordRow(form, n, records[static_cast<std::size_t>(n - 1)]);
    }

    FakeWindow form;
    MainFormLogic logic{form};
    FakeCameraWindow window;
    FakeOnvifCamera camera;
    MemoryVault vault;
    OnvifCameraActions actions{logic, form, window, camera, vault};
};
