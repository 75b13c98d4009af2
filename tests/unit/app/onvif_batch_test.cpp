// SPDX-License-Identifier: GPL-3.0-or-later
// ONVIF cameras in a Batch Network Setup, against a fake camera: one
// sign-in for the batch, before anything is numbered; refusals kept out of
// the sends; the restart asked once for the whole batch.

#include <gtest/gtest.h>

#include "camera/onvif_batch_cameras.h"
#include "tests/support/camera_actions_rig.h"

namespace {

class SilentView : public BatchSetupView {
public:
    void ShowLines() override {}
    void SetProgress(int, int) override {}
    void SetBusy(bool) override {}
};

class OnvifBatchTest : public testing::Test, protected CameraActionsRig {
protected:
    void SetUp() override {
        camera.facts.interfaces = {{"eth0", true, "02:00:5e:10:00:01", false, "127.0.0.1", 8}};
        rows = ListTestCameras(logic, 2);
    }

    int RestartQuestions() const {
        return static_cast<int>(std::count(form.questions.begin(), form.questions.end(), kBatchRestartQuestion));
    }

    OnvifBatchCameras cameras{actions.Shared()};
    SilentView view;
    std::vector<tComUnitInfo> rows;
    const AddressProber silent = [](const std::string&) { return ProbeResult{ProbeOutcome::Silent, {}}; };
    const BatchSettingsInput numbered{false, "127.0.0.20", "255.0.0.0", "127.0.0.254", "127.0.0.53"};
    const BatchSettingsInput dhcp{true, "", "", "", ""};
};

}  // namespace

TEST_F(OnvifBatchTest, OnePasswordForTheBatchSignsInEveryCameraBeforeTheNumbering) {
    window.answers = {TestSignIn("admin", "secret")};
    BatchSetupLogic batch(form, logic, view, rows, silent, &cameras);
    ASSERT_TRUE(batch.Items()[0].note.empty()) << "an ONVIF row can take settings";
    ASSERT_TRUE(batch.Preview(numbered));
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0].camera, "2 cameras of this batch");
    EXPECT_EQ(camera.CountOf("ReadFacts"), 4) << "each tried without a password, then with the batch's";
    const auto& items = batch.Items();
    EXPECT_EQ(items[0].setup->Mac(), "02:00:5e:10:00:01") << "the camera's own MAC, not NULL";
    EXPECT_EQ(items[0].newIp, "127.0.0.20");
    EXPECT_EQ(items[1].newIp, "127.0.0.21");

    batch.Apply();
    EXPECT_EQ(camera.CountOf("ApplyNetworkChange"), 2);
    EXPECT_EQ(camera.Calls().back(), "ApplyNetworkChange http://127.0.0.2/onvif/device_service admin");
    ASSERT_TRUE(camera.lastChange);
    EXPECT_EQ(camera.lastChange->address, "127.0.0.21");
    EXPECT_EQ(camera.lastChange->prefixLength, 8);
    EXPECT_EQ(items[1].result, "sent, watching");
    EXPECT_TRUE(logic.WatchingBatch());
    // The password holds for the run, as a single sign-in's does.
    const auto kept = actions.Shared().book.Known(TestOnvifCamera(2).endpoint, "127.0.0.2");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->password, "secret");
}

TEST_F(OnvifBatchTest, ARefusedPasswordLeavesTheCamerasOutAndSendsNothing) {
    vault.entries[TestOnvifCamera(2).endpoint] = {{"admin", "changed since"}, "127.0.0.2"};
    window.answers = {TestSignIn("admin", "wrong")};
    BatchSetupLogic batch(form, logic, view, rows, silent, &cameras);
    batch.Preview(numbered);
    for (const auto& item : batch.Items()) {
        EXPECT_FALSE(item.settings);
        EXPECT_EQ(item.note.rfind("Sign-in refused by http://127.0.0.", 0), 0u) << item.note;
    }
    batch.Apply();
    EXPECT_EQ(camera.CountOf("ApplyNetworkChange"), 0);
    EXPECT_FALSE(actions.Shared().book.Known(TestOnvifCamera(1).endpoint, "127.0.0.1"))
        << "a refused password is not kept";
    EXPECT_FALSE(actions.Shared().book.Known(TestOnvifCamera(2).endpoint, "127.0.0.2"))
        << "nor is the keyring's offered again";
}

// Cameras that let anyone read cannot prove the batch's password: it is kept
// for them and this run only, and their changes refuse a wrong one.
TEST_F(OnvifBatchTest, APasswordOpenCamerasCannotProveIsNeitherRememberedNorSpread) {
    camera.openReads = true;
    window.answers = {TestSignIn("admin", "wrong", true, true)};
    BatchSetupLogic batch(form, logic, view, rows, silent, &cameras);
    ASSERT_TRUE(batch.Preview(dhcp));
    ASSERT_FALSE(form.messages.empty());
    EXPECT_EQ(form.messages.back().text, kOnvifOpenNote);
    EXPECT_TRUE(vault.entries.empty());
    batch.Apply();
    EXPECT_EQ(batch.Items()[0].result.rfind("not sent: Sign-in refused", 0), 0u) << batch.Items()[0].result;
}

TEST_F(OnvifBatchTest, KnownPasswordsNeedNoDialogOnlyARefusedOneIsAskedFor) {
    vault.entries[TestOnvifCamera(1).endpoint] = {{"admin", "secret"}, "127.0.0.1"};
    vault.entries[TestOnvifCamera(2).endpoint] = {{"admin", "changed since"}, "127.0.0.2"};
    window.answers = {TestSignIn("admin", "secret")};
    BatchSetupLogic batch(form, logic, view, rows, silent, &cameras);
    ASSERT_TRUE(batch.Preview(dhcp));
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0].camera, "1 camera of this batch");
    EXPECT_EQ(batch.Items()[1].newIp, "DHCP");
    EXPECT_EQ(camera.CountOf("ReadFacts"), 3);
}

TEST_F(OnvifBatchTest, CamerasThatMustRestartAreAskedAboutOnceForTheBatch) {
    camera.accepted = {"viewer", ""};
    vault.entries[TestOnvifCamera(1).endpoint] = {camera.accepted, "127.0.0.1"};
    vault.entries[TestOnvifCamera(2).endpoint] = {camera.accepted, "127.0.0.2"};
    camera.networkOutcome.rebootNeeded = true;
    form.answerYes = false;
    BatchSetupLogic batch(form, logic, view, rows, silent, &cameras);
    ASSERT_TRUE(batch.Preview(dhcp));
    batch.Apply();
    EXPECT_EQ(RestartQuestions(), 1);
    EXPECT_EQ(camera.CountOf("Reboot"), 0);
    EXPECT_EQ(batch.Items()[1].result, "sent; used after the camera's next restart");
    EXPECT_FALSE(logic.WatchingBatch()) << "no search can confirm a change the camera does not use yet";
}

// Lost is not refused: a camera whose answer to its new address never came
// is watched for there, whether or not anything went before it.
TEST_F(OnvifBatchTest, ALostAnswerIsWatchedForAsIfSent) {
    vault.entries[TestOnvifCamera(1).endpoint] = {camera.accepted, "127.0.0.1"};
    vault.entries[TestOnvifCamera(2).endpoint] = {camera.accepted, "127.0.0.2"};
    camera.networkOutcome = FakeOnvifCamera::Outcome({OnvifCallStatus::Failed, "the answer was lost"}, {}, {});
    camera.networkOutcome.answerLost = true;
    BatchSetupLogic batch(form, logic, view, rows, silent, &cameras);
    ASSERT_TRUE(batch.Preview(dhcp));
    batch.Apply();
    EXPECT_EQ(batch.Items()[0].result, "sent; its answer was lost: it may already use the new address; watching");
    EXPECT_TRUE(logic.WatchingBatch());
}
