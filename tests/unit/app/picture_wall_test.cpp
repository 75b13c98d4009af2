// SPDX-License-Identifier: GPL-3.0-or-later
// The wall of pictures without a window: each camera asked off the window
// thread, at most a few at a time, the results posted back; one sign-in for
// every camera that waits for a password; a closed wall asks no camera more.

#include <atomic>
#include <cstdio>
#include <fstream>
#include <future>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "camera/picture_wall_logic.h"
#include "tests/support/camera_actions_rig.h"

namespace {

using namespace std::chrono_literals;

class RecordingWall : public PictureWallView {
public:
    std::vector<PictureTile> tiles;
    std::string status;
    void ShowTile(std::size_t index, const PictureTile& tile) override {
        if (tiles.size() <= index) tiles.resize(index + 1);
        tiles[index] = tile;
    }
    void ShowStatus(const std::string& text) override { status = text; }
};

class PictureWallTest : public testing::Test, protected CameraActionsRig {
protected:
    void SetUp() override { ShowCameras(3); }

    bool Settled(const PictureWallLogic& wall) {
        return form.RunUntil([&] { return wall.Waiting() == 0 && runner.Pending() == 0; }, 5s);
    }

    std::vector<PictureState> States() {
        std::vector<PictureState> states;
        for (const PictureTile& tile : view.tiles) states.push_back(tile.picture.state);
        return states;
    }

    CameraJobRunner runner;
    RecordingWall view;
};

TEST_F(PictureWallTest, KnownPasswordsShowAtOnceTheOthersWaitForOneSignInForAll) {
    vault.entries[TestOnvifCamera(2).endpoint] = {{"admin", "secret"}, "127.0.0.2"};
    PictureWallLogic wall(actions, runner, view, actions.AllCameras());
    ASSERT_TRUE(Settled(wall));
    EXPECT_EQ(States(),
              (std::vector<PictureState>{PictureState::NeedsSignIn, PictureState::Shown, PictureState::NeedsSignIn}));
    EXPECT_EQ(view.tiles[0].picture.text, kNeedsSignInText);
    EXPECT_EQ(view.tiles[1].picture.bytes, camera.picture);
    EXPECT_EQ(view.tiles[1].name, "lobby2");
    EXPECT_EQ(view.tiles[1].address, "127.0.0.2");
    for (const std::thread::id thread : camera.MediaThreads())
        EXPECT_NE(thread, std::this_thread::get_id()) << "no camera is asked on the window thread";

    window.answers = {TestSignIn("admin", "secret", true)};
    wall.SignIn();
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0].camera, "2 cameras of this batch");
    ASSERT_TRUE(Settled(wall));
    EXPECT_EQ(States(), std::vector<PictureState>(3, PictureState::Shown));
    EXPECT_EQ(vault.entries.size(), 3u) << "remembered for the two that took it, as asked";
    EXPECT_EQ(view.status, "3 of 3 pictures");

    wall.SignIn();
    EXPECT_EQ(window.questions.size(), 1u) << "nothing waits for a password";
}

TEST_F(PictureWallTest, ARefusedPasswordIsNotOfferedAgainAndAWrongOneGivenIsNotKept) {
    vault.entries[TestOnvifCamera(1).endpoint] = {{"admin", "stale"}, "127.0.0.1"};
    logic.SelectedRow = 1;
    PictureWallLogic wall(actions, runner, view, actions.SelectedCameras());
    ASSERT_TRUE(Settled(wall));
    ASSERT_EQ(States(), std::vector<PictureState>{PictureState::NeedsSignIn});
    window.answers = {TestSignIn("admin", "wrong", true)};
    wall.SignIn();
    ASSERT_TRUE(Settled(wall));
    EXPECT_EQ(States(), std::vector<PictureState>{PictureState::NeedsSignIn});
    EXPECT_EQ(vault.entries.at(TestOnvifCamera(1).endpoint).credentials.password, "stale")
        << "a password the camera refused is not remembered";

    wall.Refresh();
    ASSERT_TRUE(Settled(wall));
    EXPECT_EQ(camera.Calls().back(), "ReadMedia http://127.0.0.1/onvif/device_service -")
        << "the refused password is not tried again this run";
}

TEST_F(PictureWallTest, ACameraWithoutSnapshotSaysSoAndItsPictureIsSavedAsSent) {
    vault.entries[TestOnvifCamera(1).endpoint] = {{"admin", "secret"}, "127.0.0.1"};
    vault.entries[TestOnvifCamera(2).endpoint] = {{"admin", "secret"}, "127.0.0.2"};
    PictureWallLogic wall(actions, runner, view, actions.AllCameras());
    ASSERT_TRUE(Settled(wall));
    const std::string path = testing::TempDir() + "picture_wall_test.jpg";
    ASSERT_EQ(wall.Save(0, path), "");
    std::ifstream saved(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(saved), {}), camera.picture);
    std::remove(path.c_str());

    camera.offersSnapshot = false;
    wall.Refresh();
    ASSERT_TRUE(Settled(wall));
    EXPECT_EQ(view.tiles[0].picture.state, PictureState::NoSnapshot);
    EXPECT_EQ(view.tiles[0].picture.text, kNoSnapshotText);
    EXPECT_EQ(wall.SuggestedFileName(0), "lobby1.jpg");
    EXPECT_EQ(wall.Save(0, "/nonexistent/x.jpg"), "there is no picture to save");
}

TEST_F(PictureWallTest, AtMostEightCamerasAreAskedAtOnce) {
    std::atomic<int> now{0}, most{0};
    std::promise<void> open;
    std::shared_future<void> gate = open.get_future().share();
    camera.beforeMedia = [&] {
        const int running = ++now;
        for (int seen = most; running > seen && !most.compare_exchange_weak(seen, running);) {
        }
        gate.wait_for(2s);
        --now;
    };
    std::vector<OnvifRowCamera> many;
    for (int i = 0; i < 20; ++i) {
        OnvifRowCamera one = actions.AllCameras()[0];
        one.device.endpoint += std::to_string(i);
        many.push_back(one);
    }
    PictureWallLogic wall(actions, runner, view, many);
    ASSERT_TRUE(form.RunUntil([&] { return now == 8; }, 5s));
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(most, 8);
    open.set_value();
    ASSERT_TRUE(Settled(wall));
    EXPECT_EQ(camera.CountOf("ReadMedia"), 20);
}

TEST_F(PictureWallTest, AClosedWallAsksNoMoreCamerasAndTakesNoResults) {
    std::promise<void> open;
    std::shared_future<void> gate = open.get_future().share();
    camera.beforeMedia = [gate] { gate.wait_for(2s); };
    std::vector<OnvifRowCamera> many;
    for (int i = 0; i < 12; ++i) many.push_back(actions.AllCameras()[static_cast<std::size_t>(i % 3)]);
    {
        PictureWallLogic wall(actions, runner, view, many);
        ASSERT_TRUE(form.RunUntil([&] { return camera.CountOf("ReadMedia") == 8; }, 5s));
    }  // closed while eight cameras are being asked
    open.set_value();
    ASSERT_TRUE(form.RunUntil([&] { return runner.Pending() == 0; }, 5s));
    form.ProcessMessages();
    EXPECT_EQ(camera.CountOf("ReadMedia"), 8) << "the four waiting their turn were never asked";
}

TEST(PictureName, IsMadeOfTheCamerasNameOnly) {
    EXPECT_EQ(SuggestedPictureName("Lobby Camera 3", "image/jpeg"), "Lobby_Camera_3.jpg");
    EXPECT_EQ(SuggestedPictureName("../../etc/passwd", "image/png"), "etc_passwd.png");
    EXPECT_EQ(SuggestedPictureName("\x1b[2J", "image/jpeg"), "2J.jpg");
    EXPECT_EQ(SuggestedPictureName("", "image/jpeg"), "camera.jpg");
}

}  // namespace
