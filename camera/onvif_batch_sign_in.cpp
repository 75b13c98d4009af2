// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_batch_sign_in.h"

#include <algorithm>

#include "protocol/text_format.h"

bool OnvifBatchSignIn::Ask(int awaiting) {
    OnvifSignInQuestion question;
    question.camera =
        awaiting == 1 ? std::string("1 camera of this batch") : StrFormat("%d cameras of this batch", awaiting);
    question.user = parts_.lastUser;
    question.keyringAvailable = parts_.book.KeyringAvailable();
    const auto answer = parts_.window.AskSignIn(question);
    if (!answer || answer->choice != OnvifSignInAnswer::Choice::SignIn) return false;
    answer_ = *answer;
    parts_.lastUser = answer->credentials.user;
    given_ = answer->credentials;
    return true;
}

bool OnvifBatchSignIn::Keep(const std::vector<OnvifCameraPlace>& proved, const std::vector<OnvifCameraPlace>& open) {
    if (!given_) return false;
    for (const OnvifCameraPlace& camera : open) parts_.book.KeepForRun(camera, *given_);
    if (proved.empty()) return !open.empty();
    std::vector<OnvifCameraPlace> keep = proved;
    // As in the single sign-in: the cameras that took it, or every camera of the search.
    if (answer_.useForEveryCamera) {
        auto listed = [&keep](const std::string& endpoint) {
            return std::any_of(keep.begin(), keep.end(),
                               [&endpoint](const OnvifCameraPlace& place) { return place.endpoint == endpoint; });
        };
        auto isOpen = [&open](const std::string& endpoint) {
            return std::any_of(open.begin(), open.end(),
                               [&endpoint](const OnvifCameraPlace& place) { return place.endpoint == endpoint; });
        };
        if (const auto* devices = parts_.logic.OnvifDevicesOfLastSearch())
            for (const OnvifDeviceInfo& device : *devices)
                if (!listed(device.endpoint) && !isOpen(device.endpoint))
                    keep.push_back({device.endpoint, OnvifXaddrHost(device.xaddr)});
    }
    KeepSignIn(parts_.book, parts_.form, answer_, keep);
    return !open.empty();
}
