// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One sign-in for many cameras (a batch setup, a wall of pictures): each
// camera first tries the password known for it; the user is asked once, for
// all those that had none or refused theirs ("N cameras of this batch"); the
// password given is then kept, as the answer asks, for the cameras that took
// it (for the run, in the keyring, or for every camera of the search). A
// camera that could not prove it (Open) holds it for itself and the run only.

#include <optional>
#include <vector>

#include "camera/onvif_camera_actions.h"

class OnvifBatchSignIn {
public:
    explicit OnvifBatchSignIn(OnvifCameraActions::Parts parts) : parts_(parts) {}

    // The password known for the camera (this run's or the keyring's).
    std::optional<OnvifCredentials> Known(const OnvifCameraPlace& camera) {
        return parts_.book.Known(camera.endpoint, camera.address);
    }

    // Asks the sign-in dialog once for `awaiting` cameras; false when the
    // user cancelled (or chose to forget).
    bool Ask(int awaiting);
    // The password the dialog gave; empty before Ask, or after a cancel.
    const std::optional<OnvifCredentials>& Given() const { return given_; }

    // A known password the camera refused: not offered to it again this run.
    void Refused(const std::string& endpoint) { parts_.book.DropForRun(endpoint); }

    // After the cameras tried the given password: keeps it for those that
    // took it (`proved`) as the answer asked, and for the run only for those
    // that signed in as Open. Returns whether any was Open, for the caller
    // to say so.
    bool Keep(const std::vector<OnvifCameraPlace>& proved, const std::vector<OnvifCameraPlace>& open);

private:
    OnvifCameraActions::Parts parts_;
    OnvifSignInAnswer answer_;
    std::optional<OnvifCredentials> given_;
};
