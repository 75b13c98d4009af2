// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_picture_fetch.h"

#include <cctype>

CameraPicture FetchCameraPicture(OnvifCameraAccess& access, const std::string& xaddr,
                                 const std::optional<OnvifCredentials>& credentials, const PictureDecoder& decode) {
    CameraPicture picture;
    picture.media = access.ReadMedia(xaddr, credentials, picture.profiles);
    if (!picture.media.ok()) {
        const bool refused = picture.media.status == OnvifCallStatus::SignInRefused;
        picture.state = refused ? PictureState::NeedsSignIn : PictureState::Failed;
        picture.text = refused                         ? kNeedsSignInText
                       : picture.media.message.empty() ? std::string("the camera did not answer")
                                                       : picture.media.message;
        return picture;
    }
    const OnvifMediaProfile* profile = SnapshotProfile(picture.profiles);
    if (profile == nullptr) {
        picture.state = PictureState::NoSnapshot;
        picture.text = kNoSnapshotText;
        return picture;
    }
    picture.profile = profile->token;
    SnapshotResult snapshot = access.FetchPicture(*profile->snapshotUri, credentials);
    if (!snapshot.ok()) {
        // A camera may let anyone at its services and still guard its pictures.
        const bool wanted = snapshot.passwordWanted;
        picture.state = wanted ? PictureState::NeedsSignIn : PictureState::Failed;
        picture.text = wanted ? kNeedsSignInText : snapshot.problem;
        return picture;
    }
    picture.bytes = std::move(snapshot.bytes);
    picture.type = snapshot.type;
    if (decode) {
        picture.shown = decode(picture.bytes);
        if (!picture.shown) {
            picture.state = PictureState::Failed;
            picture.text = "the picture cannot be read";
            return picture;
        }
    }
    picture.state = PictureState::Shown;
    return picture;
}

std::string SuggestedPictureName(const std::string& camera, const std::string& type) {
    std::string name;
    for (const char c : camera) {
        const bool plain = std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '-' || c == '.' || c == '_';
        if (name.size() < 64) name += plain ? c : '_';
    }
    // Not hidden, and not a way up the folders.
    name.erase(0, name.find_first_not_of("._"));
    if (name.empty()) name = "camera";
    return name + (type == "image/png" ? ".png" : ".jpg");
}
