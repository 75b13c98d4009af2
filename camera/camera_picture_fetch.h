// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One camera's picture as the window shows it: signed in, its media service
// read, the first profile's snapshot fetched and made ready to show, all off
// the window thread; and what to say where there is no picture.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "camera/onvif_camera_access.h"

// A picture made ready to show (decoded, scaled) by the window's toolkit,
// which alone knows its type. Made off the window thread.
class ShownPicture {
public:
    virtual ~ShownPicture() = default;
};
// Makes the bytes (JPEG or PNG) ready to show; nullptr when they cannot be
// read. Called on any thread.
using PictureDecoder = std::function<std::shared_ptr<const ShownPicture>(const std::string& bytes)>;

// The largest a picture is shown: in a wall's tile, and in the details.
inline constexpr int kTilePictureWidth = 256, kTilePictureHeight = 144;
inline constexpr int kDetailsPictureWidth = 384, kDetailsPictureHeight = 216;

enum class PictureState {
    Waiting,      // its turn has not come
    SigningIn,    // the camera is being asked
    Shown,        // the picture is there
    NeedsSignIn,  // no password, or the camera refused the one tried
    NoSnapshot,   // the camera offers none
    Failed,       // the camera's refusal or why the picture did not come
};

inline constexpr const char* kSigningInText = "signing in...";
inline constexpr const char* kNeedsSignInText = "sign in to see the picture";
inline constexpr const char* kNoSnapshotText = "no snapshot offered";

struct CameraPicture {
    PictureState state = PictureState::Waiting;
    std::string text;  // what to say where there is no picture
    OnvifCallResult media;
    OnvifMedia profiles;
    std::string profile;  // the token the picture is of
    std::string bytes;    // as the camera sent them: what Save Picture... writes
    std::string type;     // "image/jpeg" or "image/png"
    std::shared_ptr<const ShownPicture> shown;
};

// Blocking: call it off the window thread. `decode` may be empty (nothing
// is made ready to show, the bytes are still kept).
CameraPicture FetchCameraPicture(OnvifCameraAccess& access, const std::string& xaddr,
                                 const std::optional<OnvifCredentials>& credentials, const PictureDecoder& decode);

// A file name for a camera's picture, made of the camera's name (its own
// text: only letters, digits, '-', '_' and '.' are kept) and the picture's type.
std::string SuggestedPictureName(const std::string& camera, const std::string& type);
