// SPDX-License-Identifier: GPL-3.0-or-later
// Camera Tasks without a window: one sign-in for the cameras without a
// password, a result per camera, restarts and password changes in rounds
// that stop after a failure when the user says so, and no password in
// anything the window shows or copies.

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "camera/camera_tasks_logic.h"
#include "onvif/onvif_inventory.h"
#include "tests/support/camera_actions_rig.h"

namespace {

using namespace std::chrono_literals;

class RecordingTasks : public CameraTasksView {
public:
    std::vector<CameraTaskRow> rows;
    std::string status;
    bool running = false;
    void ShowRow(std::size_t index, const CameraTaskRow& row) override {
        if (rows.size() <= index) rows.resize(index + 1);
        rows[index] = row;
    }
    void ShowStatus(const std::string& text) override { status = text; }
    void ShowRunning(bool now) override { running = now; }
};

class CameraTasksTest : public testing::Test, protected CameraActionsRig {
protected:
    void Remember(int n, const std::string& password) {
        vault.entries[TestOnvifCamera(n).endpoint] = {{"admin", password}, "127.0.0." + std::to_string(n)};
    }
    bool Settled(const CameraTasksLogic& tasks) {
        return form.RunUntil([&] { return !tasks.Running() && runner.Pending() == 0; }, 5s);
    }
    std::vector<std::string> States() const {
        std::vector<std::string> states;
        for (const CameraTaskRow& row : view.rows) states.push_back(row.state);
        return states;
    }

    CameraJobRunner runner;
    RecordingTasks view;
    // Camera n is back after n seconds, except the ones listed.
    std::vector<std::string> neverBack;
    RestartWatch watch = [this](const FleetCamera& which, FleetClock::time_point, std::chrono::seconds,
                                const std::atomic<bool>&) -> std::optional<double> {
        if (std::find(neverBack.begin(), neverBack.end(), which.ip) != neverBack.end()) return std::nullopt;
        return static_cast<double>(which.ip.back() - '0');
    };
};

TEST_F(CameraTasksTest, ReadFactsAsksOnceForTheCamerasWithoutAPasswordAndExportsTheInventory) {
    ShowCameras(3);
    Remember(2, "secret");
    camera.facts.manufacturer = "Quillfeather";
    camera.facts.model = "QF-200";
    camera.facts.serial = "=HYPERLINK(\"x\")";
    camera.facts.interfaces = {{"eth0", true, "00:11:22:33:44:55", true, "127.0.0.1", 24}};
    camera.facts.clockOffsetSeconds = -3.0;
    CameraTasksLogic tasks(actions, runner, view, actions.AllCameras(), watch);
    window.answers = {TestSignIn("admin", "secret")};
    tasks.ReadFacts();
    ASSERT_TRUE(Settled(tasks));
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0].camera, "2 cameras of this batch");
    EXPECT_EQ(States(), std::vector<std::string>(3, "read"));
    EXPECT_EQ(view.status, "Read Facts: 3 of 3 done");
    EXPECT_EQ(CameraTaskCells(view.rows[0])[3], "Quillfeather");
    EXPECT_EQ(CameraTaskCells(view.rows[0])[8], "DHCP");
    EXPECT_EQ(CameraTaskCells(view.rows[0])[10], "-3.0 s");

    const std::string inventory = tasks.Inventory();
    EXPECT_EQ(inventory.substr(0, inventory.find('\n')), OnvifInventoryHeader());
    EXPECT_NE(inventory.find("lobby1,127.0.0.1,"), std::string::npos);
    EXPECT_NE(inventory.find("'=HYPERLINK"), std::string::npos) << "the formula guard of the table's Export";
    EXPECT_EQ(tasks.Text().find("secret"), std::string::npos);

    tasks.ReadFacts();
    ASSERT_TRUE(Settled(tasks));
    EXPECT_EQ(window.questions.size(), 1u) << "the password given is kept for the run";
}

TEST_F(CameraTasksTest, ACancelledSignInLeavesThoseCamerasAloneAndARefusedPasswordIsAskedForNextTime) {
    ShowCameras(2);
    Remember(1, "stale");
    CameraTasksLogic tasks(actions, runner, view, actions.AllCameras(), watch);
    tasks.SyncTime();  // no answer: the sign-in is cancelled
    ASSERT_TRUE(Settled(tasks));
    EXPECT_TRUE(view.rows[0].failed);
    EXPECT_EQ(view.rows[1].state, "not signed in");
    EXPECT_EQ(camera.CountOf("ReadFacts"), 1) << "only the camera with a password was asked";

    window.answers = {std::nullopt, TestSignIn("admin", "secret")};
    tasks.SyncTime();
    ASSERT_TRUE(Settled(tasks));
    ASSERT_EQ(window.questions.size(), 2u);
    EXPECT_EQ(window.questions[1].camera, "2 cameras of this batch")
        << "the refused keyring password is not tried again";
    EXPECT_EQ(States(), std::vector<std::string>(2, "clock offset now 0.2 s"));
}

TEST_F(CameraTasksTest, SyncTimeAsksOnceBeforeTakingCamerasOffNtp) {
    ShowCameras(3);
    for (int n = 1; n <= 3; ++n) Remember(n, "secret");
    camera.facts.ntp = true;
    CameraTasksLogic tasks(actions, runner, view, actions.AllCameras(), watch);
    form.answerYes = false;
    tasks.SyncTime();
    ASSERT_TRUE(Settled(tasks));
    ASSERT_EQ(form.questions,
              std::vector<std::string>{"3 cameras take their time from NTP. Set them by hand instead?"});
    EXPECT_EQ(camera.CountOf("SyncTime"), 0);
    EXPECT_EQ(view.rows[2].state, "left alone: the camera takes its time from NTP");

    form.answerYes = true;
    tasks.SyncTime();
    ASSERT_TRUE(Settled(tasks));
    EXPECT_EQ(form.questions.size(), 2u) << "one question for all three";
    EXPECT_EQ(camera.CountOf("SyncTime"), 3);
    EXPECT_EQ(States(), std::vector<std::string>(3, "clock offset now 0.2 s"));
}

TEST_F(CameraTasksTest, RestartsGoEightAtATimeAndAFailedRoundAsksBeforeTheNext) {
    ShowCameras(9);
    for (int n = 1; n <= 9; ++n) Remember(n, "secret");
    neverBack = {"127.0.0.3"};
    CameraTasksLogic tasks(actions, runner, view, actions.AllCameras(), watch);
    form.answerYes = false;
    tasks.Restart();
    EXPECT_EQ(form.questions.back(), "Restart 9 cameras? Each stops recording and streaming until it is back.");
    EXPECT_EQ(camera.CountOf("Reboot"), 0) << "declined: nothing restarts";

    form.answerYes = true;
    tasks.Restart();
    form.answerYes = false;  // ... but not the next round after a failure
    ASSERT_TRUE(Settled(tasks));
    EXPECT_EQ(form.questions.back(), "1 camera of this round failed. Go on with the next 1 camera?");
    EXPECT_EQ(camera.CountOf("Reboot"), 8);
    EXPECT_EQ(view.rows[0].state, "back after 1.0 s");
    EXPECT_EQ(view.rows[2].state, "not back within 180 s");
    EXPECT_EQ(view.rows[8].state, "not started");
}

TEST_F(CameraTasksTest, ANewPasswordReachesTheKeyringOnlyWhenProvedAndNeverTheScreen) {
    ShowCameras(2);
    Remember(1, "secret");
    Remember(2, "secret");
    camera.facts.users = {{"admin", "Administrator"}, {"viewer", "User"}};
    CameraTasksLogic tasks(actions, runner, view, actions.AllCameras(), watch);
    EXPECT_EQ(tasks.UserNames(), std::vector<std::string>{"admin"});
    tasks.ReadFacts();
    ASSERT_TRUE(Settled(tasks));
    EXPECT_EQ(tasks.UserNames(), (std::vector<std::string>{"admin", "viewer"})) << "then the users the cameras list";
    tasks.ChangePassword("", "Qf-7");
    ASSERT_TRUE(Settled(tasks));
    EXPECT_EQ(view.rows[0].state, "SetUser refused by http://127.0.0.1/onvif/device_service: too short");
    EXPECT_EQ(vault.entries.at(TestOnvifCamera(1).endpoint).credentials.password, "secret");

    tasks.ChangePassword("", "Quill-feather-42");
    ASSERT_TRUE(Settled(tasks));
    EXPECT_EQ(States(), std::vector<std::string>(2, "changed and proved"));
    for (int n = 1; n <= 2; ++n) {
        EXPECT_EQ(vault.entries.at(TestOnvifCamera(n).endpoint).credentials.password, "Quill-feather-42");
        EXPECT_EQ(camera.PasswordAt(TestOnvifCamera(n).xaddr), "Quill-feather-42");
    }
    for (const std::string secret : {"secret", "Quill-feather-42"}) {
        EXPECT_EQ(tasks.Text().find(secret), std::string::npos);
        EXPECT_EQ(view.status.find(secret), std::string::npos);
        for (const std::string& line : form.log) EXPECT_EQ(line.find(secret), std::string::npos) << line;
    }

    tasks.ReadFacts();
    ASSERT_TRUE(Settled(tasks));
    EXPECT_EQ(States(), std::vector<std::string>(2, "read")) << "the next task signs in with the new password";
}

TEST_F(CameraTasksTest, ClosingTheWindowEndsARestartsWatchAndAsksNoMoreCameras) {
    ShowCameras(9);
    for (int n = 1; n <= 9; ++n) Remember(n, "secret");
    std::atomic<int> watching{0};
    RestartWatch waitForCancel = [&](const FleetCamera&, FleetClock::time_point, std::chrono::seconds,
                                     const std::atomic<bool>& cancel) -> std::optional<double> {
        ++watching;
        for (int i = 0; i < 500 && !cancel; ++i) std::this_thread::sleep_for(10ms);
        return std::nullopt;
    };
    {
        CameraTasksLogic tasks(actions, runner, view, actions.AllCameras(), waitForCancel);
        tasks.Restart();
        ASSERT_TRUE(form.RunUntil([&] { return watching == 8; }, 5s));
    }
    ASSERT_TRUE(form.RunUntil([&] { return runner.Pending() == 0; }, 2s)) << "the watches ended with the window";
    form.ProcessMessages();
    EXPECT_EQ(camera.CountOf("Reboot"), 8);
}

}  // namespace
