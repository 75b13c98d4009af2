// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/picture_wall_logic.h"

#include <algorithm>

#include "protocol/text_format.h"
#include "protocol/whole_file.h"

PictureWallLogic::PictureWallLogic(OnvifCameraActions& actions, CameraJobRunner& runner, PictureWallView& view,
                                   std::vector<OnvifRowCamera> cameras)
    : actions_(actions),
      parts_(actions.Shared()),
      runner_(runner),
      view_(view),
      decode_(parts_.window.Decoder(kTilePictureWidth, kTilePictureHeight)),
      signIn_(parts_) {
    for (OnvifRowCamera& camera : cameras) {
        PictureTile tile;
        tile.name = ComUnitFieldText(camera.record.name);
        tile.address = ComUnitFieldText(camera.record.ip);
        tile.camera = std::move(camera);
        tiles_.push_back(std::move(tile));
    }
    rounds_.assign(tiles_.size(), 0);
    Refresh();
}

PictureWallLogic::~PictureWallLogic() = default;

void PictureWallLogic::Refresh() {
    givenPending_ = 0;
    proved_.clear();
    open_.clear();
    note_.clear();
    for (std::size_t i = 0; i < tiles_.size(); ++i) Fetch(i, signIn_.Known(tiles_[i].camera.Place()), false);
    ShowStatus();
}

void PictureWallLogic::SignIn() {
    std::vector<std::size_t> awaiting;
    for (std::size_t i = 0; i < tiles_.size(); ++i)
        if (tiles_[i].picture.state == PictureState::NeedsSignIn) awaiting.push_back(i);
    if (awaiting.empty() || !signIn_.Ask(static_cast<int>(awaiting.size()))) return;
    // The dialog let the window run: tiles may have changed meanwhile.
    std::erase_if(awaiting, [this](std::size_t i) { return tiles_[i].picture.state != PictureState::NeedsSignIn; });
    givenPending_ = static_cast<int>(awaiting.size());
    proved_.clear();
    open_.clear();
    note_.clear();
    for (const std::size_t i : awaiting) Fetch(i, signIn_.Given(), true);
    ShowStatus();
}

void PictureWallLogic::Open(std::size_t index) {
    if (index < tiles_.size()) actions_.ShowDetails(tiles_[index].camera);
}

std::string PictureWallLogic::SuggestedFileName(std::size_t index) const {
    if (index >= tiles_.size()) return {};
    const PictureTile& tile = tiles_[index];
    return SuggestedPictureName(tile.name.empty() ? tile.address : tile.name, tile.picture.type);
}

std::string PictureWallLogic::Save(std::size_t index, const std::string& path) const {
    if (index >= tiles_.size() || tiles_[index].picture.bytes.empty()) return "there is no picture to save";
    return WriteWholeFile(path, tiles_[index].picture.bytes);
}

int PictureWallLogic::Waiting() const {
    return static_cast<int>(std::count_if(tiles_.begin(), tiles_.end(), [](const PictureTile& tile) {
        return tile.picture.state == PictureState::Waiting || tile.picture.state == PictureState::SigningIn;
    }));
}

void PictureWallLogic::Fetch(std::size_t index, const std::optional<OnvifCredentials>& credentials, bool given) {
    PictureTile& tile = tiles_[index];
    const unsigned round = ++rounds_[index];
    // The last picture stays until a new one comes; the state says what goes on.
    tile.picture.state = PictureState::Waiting;
    tile.picture.text = "waiting...";
    view_.ShowTile(index, tile);
    std::weak_ptr<int> alive = alive_;
    WindowOps& form = parts_.form;
    OnvifCameraAccess& access = parts_.access;
    runner_.Add(
        [this, alive, &form, &access, index, round, credentials, given, xaddr = tile.camera.xaddr, decode = decode_] {
            // A wall closed before this camera's turn: the camera is not asked.
            if (alive.expired()) return;
            form.Post([this, alive, index, round] {
                if (!alive.expired()) Started(index, round);
            });
            CameraPicture picture = FetchCameraPicture(access, xaddr, credentials, decode);
            form.Post([this, alive, index, round, picture = std::move(picture), credentials, given]() mutable {
                if (!alive.expired()) Took(index, round, std::move(picture), credentials, given);
            });
        });
}

void PictureWallLogic::Started(std::size_t index, unsigned round) {
    if (round != rounds_[index]) return;
    PictureTile& tile = tiles_[index];
    tile.picture.state = PictureState::SigningIn;
    tile.picture.text = kSigningInText;
    view_.ShowTile(index, tile);
}

void PictureWallLogic::Took(std::size_t index, unsigned round, CameraPicture picture,
                            const std::optional<OnvifCredentials>& tried, bool given) {
    if (round != rounds_[index]) return;
    PictureTile& tile = tiles_[index];
    const OnvifCameraPlace place = tile.camera.Place();
    const bool refused = picture.media.status == OnvifCallStatus::SignInRefused;
    // A known password the camera refused is not offered to it again this run.
    if (refused && tried && !given) signIn_.Refused(place.endpoint);
    // A camera that failed this time keeps its last picture, with the reason beside it.
    if (picture.state == PictureState::Failed && tile.picture.shown) {
        tile.picture.state = picture.state;
        tile.picture.text = picture.text;
    } else {
        tile.picture = std::move(picture);
    }
    if (given && givenPending_ > 0) {
        if (tile.picture.media.ok())
            (tile.picture.profiles.auth == OnvifAuthMethod::Open ? open_ : proved_).push_back(place);
        if (--givenPending_ == 0 && signIn_.Keep(proved_, open_)) note_ = kOnvifOpenNote;
    }
    view_.ShowTile(index, tile);
    ShowStatus();
}

void PictureWallLogic::ShowStatus() {
    int shown = 0, signIn = 0;
    for (const PictureTile& tile : tiles_) {
        shown += tile.picture.state == PictureState::Shown ? 1 : 0;
        signIn += tile.picture.state == PictureState::NeedsSignIn ? 1 : 0;
    }
    std::string text = StrFormat("%d of %zu pictures", shown, tiles_.size());
    if (const int waiting = Waiting(); waiting > 0) text += StrFormat(", %d coming", waiting);
    if (signIn > 0) text += StrFormat(", %d waiting for a sign-in", signIn);
    if (!note_.empty()) text += ". " + note_;
    view_.ShowStatus(text);
}
