// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Pictures": a wall of tiles, one per camera, each with the camera's
// snapshot or what stands in its way. Every camera is asked off the window
// thread through a CameraJobRunner (at most a few at once) and its picture
// made ready to show there too; results come back by posting, so the window
// never waits for a camera. Cameras without a password, or whose password
// was refused, wait for the one sign-in of the batch.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "camera/camera_job_runner.h"
#include "camera/camera_picture_fetch.h"
#include "camera/onvif_batch_sign_in.h"
#include "camera/onvif_camera_actions.h"

struct PictureTile {
    OnvifRowCamera camera;
    std::string name;     // as the camera calls itself (its row's name)
    std::string address;  // its row's address
    CameraPicture picture;
};

// The window that shows the wall; called on the window thread.
class PictureWallView {
public:
    virtual ~PictureWallView() = default;
    virtual void ShowTile(std::size_t index, const PictureTile& tile) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
};

class PictureWallLogic {
public:
    // Starts fetching every camera's picture at once. `runner` and `actions`
    // outlive the wall.
    PictureWallLogic(OnvifCameraActions& actions, CameraJobRunner& runner, PictureWallView& view,
                     std::vector<OnvifRowCamera> cameras);
    PictureWallLogic(const PictureWallLogic&) = delete;
    PictureWallLogic& operator=(const PictureWallLogic&) = delete;
    // Pictures still coming are dropped; cameras not asked yet are not asked.
    ~PictureWallLogic();

    const std::vector<PictureTile>& Tiles() const { return tiles_; }
    // Every camera asked again, with the password known for it now.
    void Refresh();
    // The sign-in dialog, once for every tile that waits for a password;
    // those tiles are asked again with the password given.
    void SignIn();
    // The camera's details (a tile's double click).
    void Open(std::size_t index);
    // A file name for the tile's picture, made of the camera's name.
    std::string SuggestedFileName(std::size_t index) const;
    // Writes the tile's picture as the camera sent it: empty on success, else why not.
    std::string Save(std::size_t index, const std::string& path) const;
    // Tiles whose picture is still coming.
    int Waiting() const;

private:
    void Fetch(std::size_t index, const std::optional<OnvifCredentials>& credentials, bool given);
    void Started(std::size_t index, unsigned round);
    void Took(std::size_t index, unsigned round, CameraPicture picture, const std::optional<OnvifCredentials>& tried,
              bool given);
    void ShowStatus();

    OnvifCameraActions& actions_;
    OnvifCameraActions::Parts parts_;
    CameraJobRunner& runner_;
    PictureWallView& view_;
    PictureDecoder decode_;
    OnvifBatchSignIn signIn_;
    std::vector<PictureTile> tiles_;
    std::vector<unsigned> rounds_;  // per tile: a result of an older round is dropped
    // The tiles trying the password of the last sign-in, and what they made of it.
    int givenPending_ = 0;
    std::vector<OnvifCameraPlace> proved_, open_;
    std::string note_;
    // Results posted after the wall is gone find this expired.
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};
