// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_camera_actions.h"

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "onvif/onvif_rows.h"
#include "tests/support/camera_actions_rig.h"
#include "tests/unit/netsetup/fake_net_form_view.h"

namespace {

class OnvifActionsTest : public testing::Test, protected CameraActionsRig {
protected:
    void SetUp() override {
        camera.facts.manufacturer = "Quillfeather Optics";
        camera.facts.model = "QF-200";
        camera.facts.hostname = "lobby-cam";
        camera.facts.interfaces = {{"eth0", true, "02:00:5e:10:00:01", false, "127.0.0.1", 8}};
        camera.facts.gateway = {"127.0.0.254"};
        camera.facts.dns = {"127.0.0.53"};
        camera.facts.clockOffsetSeconds = 0.4;
        camera.facts.ntp = false;
        ShowCameras(2);
        logic.SelectedRow = 1;
    }

    const std::string xaddr1 = "http://127.0.0.1/onvif/device_service";
};

TEST_F(OnvifActionsTest, WithoutAPasswordTheDialogComesFirstThenTheCameraSignsInByItself) {
    window.answers = {TestSignIn("admin", "secret")};
    actions.Info1Click();
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(window.questions[0].camera, "lobby1 (127.0.0.1)");
    ASSERT_EQ(camera.Calls(),
              (std::vector<std::string>{"ReadFacts " + xaddr1 + " admin", "ReadMedia " + xaddr1 + " admin",
                                        "FetchPicture http://127.0.0.1/snap/main admin"}))
        << "the row's XAddr, not the link-local one";
    ASSERT_EQ(window.detailsShown.size(), 1u);

    actions.SyncTime1Click();
    EXPECT_EQ(window.questions.size(), 1u) << "a known password needs no dialog";
    EXPECT_EQ(camera.CountOf("SyncTime"), 1);
    ASSERT_FALSE(form.messages.empty());
    EXPECT_EQ(form.messages.back().text, "The camera's clock is now 0.2 s off.");
}

TEST_F(OnvifActionsTest, TheCameraIsAskedAtTheXAddrItsRowShows) {
    // A camera that lists another address first, its row taken from the one it answered from.
    logic.OnvifEngine.m_Devices[0].xaddrs = {"http://127.0.0.40/onvif/device_service", xaddr1};
    window.answers = {TestSignIn("admin", "secret")};
    actions.SignIn1Click();
    EXPECT_EQ(camera.Calls(), std::vector<std::string>{"ReadFacts " + xaddr1 + " admin"});
}

TEST_F(OnvifActionsTest, CancelledSignInAsksTheCameraNothing) {
    for (auto action : {&OnvifCameraActions::Info1Click, &OnvifCameraActions::SyncTime1Click,
                        &OnvifCameraActions::NetworkSetup1Click, &OnvifCameraActions::SignIn1Click})
        (actions.*action)();
    EXPECT_EQ(window.questions.size(), 4u);
    EXPECT_TRUE(camera.Calls().empty());
    EXPECT_TRUE(window.setupShown.empty());
    ASSERT_EQ(window.detailsShown.size(), 1u) << "the details show what the camera announced";
    EXPECT_TRUE(window.detailsShown[0].facts.empty());
    EXPECT_FALSE(window.detailsShown[0].problem.empty());
}

TEST_F(OnvifActionsTest, RefusedPasswordIsSaidAndNeitherKeptNorRemembered) {
    window.answers = {TestSignIn("admin", "wrong", true), TestSignIn("admin", "secret")};
    actions.SignIn1Click();
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Sign-in refused by " + xaddr1 + ": check the user name and password.");
    EXPECT_TRUE(vault.entries.empty());
    actions.Info1Click();
    EXPECT_EQ(window.questions.size(), 2u) << "a refused password is not tried again";
    EXPECT_EQ(window.questions[1].user, "admin") << "the user name is offered again";
}

TEST_F(OnvifActionsTest, WithoutAKeyringTheSignInHoldsForTheRunAndSaysItWasNotRemembered) {
    vault.available = false;
    window.answers = {TestSignIn("admin", "secret", true)};
    actions.SignIn1Click();
    ASSERT_EQ(window.questions.size(), 1u);
    EXPECT_FALSE(window.questions[0].keyringAvailable);
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_NE(form.messages[0].text.find("not remembered"), std::string::npos) << form.messages[0].text;
    actions.SyncTime1Click();
    EXPECT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(camera.CountOf("SyncTime"), 1);
}

TEST_F(OnvifActionsTest, RememberedPasswordOutlivesTheRunUntilForgotten) {
    window.answers = {TestSignIn("admin", "secret", true)};
    actions.SignIn1Click();
    ASSERT_EQ(vault.entries.count(TestOnvifCamera(1).endpoint), 1u) << "kept by endpoint reference";
    EXPECT_EQ(vault.entries.at(TestOnvifCamera(1).endpoint), (KeptSignIn{{"admin", "secret"}, "127.0.0.1"}))
        << "with the address it was given at";
    EXPECT_TRUE(form.messages.empty());

    FakeCameraWindow nextWindow;
    OnvifCameraActions nextRun(logic, form, nextWindow, camera, vault);
    nextRun.Info1Click();
    EXPECT_TRUE(nextWindow.questions.empty()) << "the keyring's password signs in by itself";

    OnvifSignInAnswer forget;
    forget.choice = OnvifSignInAnswer::Choice::Forget;
    nextWindow.answers = {forget};
    nextRun.SignIn1Click();
    ASSERT_EQ(nextWindow.questions.size(), 1u);
    EXPECT_TRUE(nextWindow.questions[0].remembered);
    EXPECT_TRUE(vault.entries.empty());
    nextRun.SyncTime1Click();
    EXPECT_EQ(nextWindow.questions.size(), 2u) << "a forgotten password is asked for again";
}

TEST_F(OnvifActionsTest, AKeyringPasswordTheCameraRefusesIsNotSentAgain) {
    vault.entries[TestOnvifCamera(1).endpoint] = {{"admin", "changed since"}, "127.0.0.1"};
    actions.Info1Click();
    EXPECT_TRUE(window.questions.empty());
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text.rfind("Sign-in refused by", 0), 0u) << form.messages[0].text;
    actions.SyncTime1Click();
    EXPECT_EQ(window.questions.size(), 1u) << "the user is asked instead";
    EXPECT_EQ(camera.CountOf("ReadFacts"), 1);
}

TEST(OnvifCredentialBook, AKeyringReadThatFailedIsNotTriedAgainThisRun) {
    MemoryVault vault;
    vault.locked = true;
    const std::map<std::string, std::string> noMoves;
    OnvifCredentialBook book(vault, noMoves);
    EXPECT_FALSE(book.Known("urn:uuid:a", "127.0.0.1"));
    EXPECT_FALSE(book.Known("urn:uuid:b", "127.0.0.2"));
    EXPECT_FALSE(book.Remembered("urn:uuid:c"));
    EXPECT_EQ(vault.reads, 1) << "a locked keyring would have asked to be unlocked for every camera";
    book.KeepForRun({"urn:uuid:b", "127.0.0.2"}, {"admin", "secret"});
    EXPECT_EQ(book.Known("urn:uuid:b", "127.0.0.2")->password, "secret") << "what the user gives still holds";
}

// A camera that lets anyone read cannot tell a wrong password from a right
// one: such a password is neither remembered nor given to other cameras, and
// the first change it fails drops it.
TEST_F(OnvifActionsTest, APasswordAnOpenCameraCannotProveHoldsForItAndThisRunOnly) {
    camera.openReads = true;
    window.answers = {TestSignIn("admin", "wrong", true, true)};
    actions.SignIn1Click();
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, kOnvifOpenNote);
    EXPECT_TRUE(vault.entries.empty());
    logic.SelectedRow = 2;
    actions.Info1Click();
    EXPECT_EQ(window.questions.size(), 2u) << "not given to the other camera";

    logic.SelectedRow = 1;
    actions.SyncTime1Click();
    EXPECT_EQ(window.questions.size(), 2u) << "kept for the run";
    EXPECT_EQ(form.messages.back().text.rfind("Sign-in refused by", 0), 0u) << form.messages.back().text;
    actions.SyncTime1Click();
    EXPECT_EQ(window.questions.size(), 3u) << "refused at the change, then asked for again";
}

// Any LAN host can answer with a camera's endpoint: a kept password goes
// only to the address it was given at, or where a watch saw the camera move.
TEST_F(OnvifActionsTest, AKeptPasswordFollowsTheCameraOnlyWhereAWatchSawItMove) {
    const std::string endpoint = TestOnvifCamera(1).endpoint;
    vault.entries[endpoint] = {{"admin", "secret"}, "127.0.0.1"};
    logic.OnvifEngine.m_Devices[0].xaddr = "http://127.0.0.9/onvif/device_service";
    actions.Info1Click();
    ASSERT_EQ(window.questions.size(), 1u) << "another address: the user is asked";
    EXPECT_EQ(window.questions[0].user, "admin");
    EXPECT_TRUE(camera.Calls().empty());

    logic.NoteOnvifMove(endpoint, "127.0.0.9");
    actions.Info1Click();
    EXPECT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(camera.Calls(), (std::vector<std::string>{"ReadFacts http://127.0.0.9/onvif/device_service admin",
                                                        "ReadMedia http://127.0.0.9/onvif/device_service admin",
                                                        "FetchPicture http://127.0.0.9/snap/main admin"}));
    EXPECT_EQ(vault.entries.at(endpoint).address, "127.0.0.9") << "the keyring follows the move";
}

TEST_F(OnvifActionsTest, OnePasswordForEveryCameraOfTheSearch) {
    window.answers = {TestSignIn("admin", "secret", false, true)};
    actions.SignIn1Click();
    logic.SelectedRow = 2;
    actions.Info1Click();
    EXPECT_EQ(window.questions.size(), 1u);
    EXPECT_EQ(camera.CountOf("ReadFacts"), 2);
    EXPECT_EQ(camera.Calls().back(), "FetchPicture http://127.0.0.2/snap/main admin");
    EXPECT_TRUE(vault.entries.empty()) << "kept for the run only, as asked";
}

TEST_F(OnvifActionsTest, KeptFactsShowWithoutAskingTheCameraRefreshAsksAgain) {
    window.answers = {TestSignIn("admin", "secret")};
    actions.Info1Click();
    actions.Info1Click();
    EXPECT_EQ(camera.CountOf("ReadFacts"), 1);
    ASSERT_EQ(window.detailsShown.size(), 2u);
    const auto& facts = window.detailsShown[1].facts;
    EXPECT_NE(std::find(facts.begin(), facts.end(),
                        std::pair<std::string, std::string>("Manufacturer", "Quillfeather Optics")),
              facts.end());
    EXPECT_NE(std::find(facts.begin(), facts.end(), std::pair<std::string, std::string>("Address", "127.0.0.1/8")),
              facts.end());

    camera.facts.clockOffsetSeconds = -10800;
    ASSERT_TRUE(window.refresh);
    const OnvifDetailsView again = window.refresh();
    EXPECT_EQ(camera.CountOf("ReadFacts"), 2);
    EXPECT_EQ(again.clockNote, "The camera's clock is 10800 s off; sign-in may fail until it is set.");
    ASSERT_NE(actions.KnownFacts(TestOnvifCamera(1).endpoint), nullptr);
    EXPECT_EQ(actions.KnownFacts(TestOnvifCamera(1).endpoint)->clockOffsetSeconds, -10800);
}

TEST_F(OnvifActionsTest, ACameraOnNtpIsAskedAboutBeforeItsClockIsSet) {
    camera.facts.ntp = true;
    window.answers = {TestSignIn("admin", "secret")};
    form.answerYes = false;
    actions.SyncTime1Click();
    ASSERT_EQ(form.questions.size(), 1u);
    EXPECT_EQ(form.questions[0], kNtpQuestion);
    EXPECT_EQ(camera.CountOf("SyncTime"), 0);
    form.answerYes = true;
    actions.SyncTime1Click();
    EXPECT_EQ(camera.CountOf("SyncTime"), 1);
}

struct ClockCase {
    double offset;
    bool noted;
};
class ClockNoteTest : public testing::TestWithParam<ClockCase> {};
TEST_P(ClockNoteTest, OnlyMoreThanFiveSecondsEitherWayIsNoted) {
    EXPECT_EQ(!ClockNote(GetParam().offset).empty(), GetParam().noted) << GetParam().offset;
}
INSTANTIATE_TEST_SUITE_P(Offsets, ClockNoteTest,
                         testing::Values(ClockCase{0, false}, ClockCase{5.0, false}, ClockCase{-5.0, false},
                                         ClockCase{5.2, true}, ClockCase{-6, true}, ClockCase{10800, true}));

struct MaskCase {
    const char* netmask;
    std::optional<int> prefix;
};
class PrefixLengthTest : public testing::TestWithParam<MaskCase> {};
TEST_P(PrefixLengthTest, TheDialogsNetmaskAndTheCamerasPrefixLengthMapBothWays) {
    EXPECT_EQ(OnvifPrefixLength(GetParam().netmask), GetParam().prefix) << GetParam().netmask;
    if (GetParam().prefix) {
        EXPECT_EQ(NetmaskOf(*GetParam().prefix), GetParam().netmask);
    }
}
INSTANTIATE_TEST_SUITE_P(Masks, PrefixLengthTest,
                         testing::Values(MaskCase{"255.255.255.0", 24}, MaskCase{"255.255.240.0", 20},
                                         MaskCase{"255.0.0.0", 8}, MaskCase{"255.255.255.255", 32},
                                         MaskCase{"255.0.255.0", std::nullopt}, MaskCase{"255.255.255.1", std::nullopt},
                                         MaskCase{"24", std::nullopt}, MaskCase{"", std::nullopt}));

class OnvifNetworkSetupTest : public OnvifActionsTest {
protected:
    // Opens the dialog and hands back what Apply would send.
    void OpenSetup() {
        window.answers = {TestSignIn("admin", "secret")};
        actions.NetworkSetup1Click();
        ASSERT_EQ(window.setupShown.size(), 1u);
        ASSERT_TRUE(window.setupContext.send);
    }
    static ControlRequest Static(const std::string& ip) {
        ControlRequest request;
        request.type = NetworkType::Static;
        request.ip = ip;
        request.netmask = "255.255.0.0";
        request.gateway = "127.0.0.254";
        request.dns = "127.0.0.53";
        return request;
    }
};

TEST_F(OnvifNetworkSetupTest, TheDialogShowsTheCamerasOwnSettingsAndSendsThemAsAChange) {
    OpenSetup();
    const tComUnitInfo& shown = window.setupShown[0];
    EXPECT_EQ(ComUnitFieldText(shown.mac), "02:00:5e:10:00:01");
    EXPECT_EQ(ComUnitFieldText(shown.ip), "127.0.0.1");
    EXPECT_EQ(ComUnitFieldText(shown.netmask), "255.0.0.0");
    EXPECT_EQ(ComUnitFieldText(shown.gateway), "127.0.0.254");
    EXPECT_EQ(ComUnitFieldText(shown.dns), "127.0.0.53");
    EXPECT_EQ(ComUnitFieldText(shown.proj), "ONVIF");

    EXPECT_TRUE(window.setupContext.send(Static("127.0.9.9")));
    ASSERT_TRUE(camera.lastChange);
    EXPECT_FALSE(camera.lastChange->dhcp);
    EXPECT_EQ(camera.lastChange->address, "127.0.9.9");
    EXPECT_EQ(camera.lastChange->prefixLength, 16);
    EXPECT_EQ(camera.lastChange->gateway, "127.0.0.254");
    EXPECT_EQ(camera.CountOf("Reboot"), 0);
    EXPECT_TRUE(logic.Watching()) << "the watch looks for the camera at its new address";
}

TEST_F(OnvifNetworkSetupTest, RebootNeededIsAskedAndOnlyYesRestartsTheCamera) {
    camera.networkOutcome.rebootNeeded = true;
    OpenSetup();
    form.answerYes = false;
    EXPECT_TRUE(window.setupContext.send(Static("127.0.9.9")));
    ASSERT_EQ(form.questions.size(), 1u);
    EXPECT_EQ(form.questions[0], kRestartQuestion);
    EXPECT_EQ(camera.CountOf("Reboot"), 0);
    EXPECT_FALSE(logic.Watching()) << "nothing changes before the restart";

    form.answerYes = true;
    EXPECT_TRUE(window.setupContext.send(Static("127.0.9.9")));
    EXPECT_EQ(camera.CountOf("Reboot"), 1);
    EXPECT_TRUE(logic.Watching());
}

TEST_F(OnvifNetworkSetupTest, ARefusedLastCallSaysWhatWasAppliedAndWhatNot) {
    camera.networkOutcome =
        FakeOnvifCamera::Outcome({OnvifCallStatus::Refused, "The camera refused SetNetworkInterfaces: Invalid address"},
                                 {"gateway", "DNS"}, {"address"});
    OpenSetup();
    EXPECT_TRUE(window.setupContext.send(Static("127.0.9.9"))) << "the camera changed: the dialog closes";
    ASSERT_FALSE(form.messages.empty());
    const std::string& text = form.messages.back().text;
    EXPECT_NE(text.find("Applied: gateway, DNS."), std::string::npos) << text;
    EXPECT_NE(text.find("Not applied: address."), std::string::npos) << text;
    EXPECT_NE(text.find("Invalid address"), std::string::npos) << text;
    EXPECT_FALSE(logic.Watching());
}

// Lost is not refused: nothing before it need have been applied for the
// watch to look for the camera where it was sent.
TEST_F(OnvifNetworkSetupTest, ALostAnswerToTheAddressChangeIsWatchedFor) {
    camera.networkOutcome = FakeOnvifCamera::Outcome(
        {OnvifCallStatus::Failed, "The answer of " + xaddr1 + " to the new address was lost (timed out)"}, {}, {});
    camera.networkOutcome.answerLost = true;
    OpenSetup();
    EXPECT_TRUE(window.setupContext.send(Static("127.0.9.9")));
    const std::string& text = form.messages.back().text;
    EXPECT_NE(text.find("may already use the new address"), std::string::npos) << text;
    EXPECT_TRUE(logic.Watching());
}

// A camera that checks the gateway against its old subnet: the address
// first, the restart it asks for, then gateway and DNS at its new address.
TEST_F(OnvifNetworkSetupTest, AGatewayTheOldSubnetRefusedFollowsTheRestartToTheNewAddress) {
    camera.networkOutcome = FakeOnvifCamera::Outcome({OnvifCallStatus::Ok, ""}, {"address"}, {"gateway", "DNS"});
    camera.networkOutcome.deferred = {"gateway", "DNS"};
    camera.networkOutcome.deferredReason = "SetNetworkDefaultGateway refused by " + xaddr1 + ": not in the subnet";
    camera.networkOutcome.rebootNeeded = true;
    camera.finishOutcome.held.xaddr = "http://127.0.9.9/onvif/device_service";
    camera.finishOutcome.held.gateway = {"127.0.0.254"};
    OpenSetup();
    form.answerYes = true;
    EXPECT_TRUE(window.setupContext.send(Static("127.0.9.9")));
    const std::vector<std::string> calls = camera.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(calls.end() - 3, calls.end()),
              (std::vector<std::string>{"ApplyNetworkChange " + xaddr1 + " admin", "Reboot " + xaddr1 + " admin",
                                        "FinishNetworkChange " + xaddr1 + " admin"}));
    const std::string& text = form.messages.back().text;
    EXPECT_EQ(text.rfind("The camera took the new settings.", 0), 0u) << text;
    EXPECT_NE(text.find("It holds: gateway 127.0.0.254."), std::string::npos) << text;
    EXPECT_TRUE(logic.Watching());
}

TEST_F(OnvifNetworkSetupTest, ANothingAppliedRefusalKeepsTheDialogOpen) {
    camera.networkOutcome = FakeOnvifCamera::Outcome(
        {OnvifCallStatus::Refused, "The camera refused SetNetworkDefaultGateway"}, {}, {"gateway", "DNS", "address"});
    OpenSetup();
    EXPECT_FALSE(window.setupContext.send(Static("127.0.9.9")));
    EXPECT_EQ(form.messages.back().text, "The camera refused SetNetworkDefaultGateway");
    ControlRequest oddMask = Static("127.0.9.9");
    oddMask.netmask = "255.0.255.0";
    const int calls = camera.CountOf("ApplyNetworkChange");
    EXPECT_FALSE(window.setupContext.send(oddMask));
    EXPECT_EQ(camera.CountOf("ApplyNetworkChange"), calls) << "a netmask without a prefix length is not sent";
}

TEST(OnvifNetFormSend, TheDialogHandsAnOnvifChangeToItsSenderInsteadOfAPackage) {
    FakeWindow form;
    // Were a package sent after all, it would go to a loopback relay only.
    form.method = SearchMethod::IpRelay;
    form.relayAddress = "127.0.0.1";
    FakeNetFormView view;
    std::vector<ControlRequest> sent;
    bool closeAfter = false;
    NetSetupContext context;
    context.send = [&](const ControlRequest& request) {
        sent.push_back(request);
        return closeAfter;
    };
    NetFormLogic logic(form, view, context);
    view.checked = NetworkType::Dhcp;
    logic.BtnApplyClick();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].type, NetworkType::Dhcp);
    EXPECT_FALSE(view.closed) << "the sender keeps the dialog open";
    EXPECT_TRUE(form.messages.empty()) << "no control package, whose outcome would be said";
    closeAfter = true;
    logic.BtnApplyClick();
    EXPECT_TRUE(view.closed);
}

struct ConfirmCase {
    const char* name;
    bool dhcp;
    const char* endpoint;
    std::vector<std::string> xaddrs;
    bool confirmed;
};
class OnvifConfirmationTest : public testing::TestWithParam<ConfirmCase> {};
TEST_P(OnvifConfirmationTest, TheSameEndpointAtTheNewAddressConfirms) {
    OnvifDeviceInfo answer = TestOnvifCamera(1);
    answer.endpoint = GetParam().endpoint;
    answer.xaddrs = GetParam().xaddrs;
    const OnvifSetupTarget target{TestOnvifCamera(1).endpoint, GetParam().dhcp, "127.0.9.9"};
    EXPECT_EQ(FindConfirmingOnvifDevice({TestOnvifCamera(2), answer}, target) != nullptr, GetParam().confirmed);
}
INSTANTIATE_TEST_SUITE_P(Answers, OnvifConfirmationTest,
                         testing::Values(ConfirmCase{"NewAddress",
                                                     false,
                                                     "urn:uuid:7e57ca11-0000-4000-8000-000000000001",
                                                     {"http://127.0.0.1/onvif/device_service",
                                                      "http://127.0.9.9:8080/onvif/device_service"},
                                                     true},
                                         ConfirmCase{"OldAddressOnly",
                                                     false,
                                                     "urn:uuid:7e57ca11-0000-4000-8000-000000000001",
                                                     {"http://127.0.0.1/onvif/device_service"},
                                                     false},
                                         ConfirmCase{"AddressOnlyInThePath",
                                                     false,
                                                     "urn:uuid:7e57ca11-0000-4000-8000-000000000001",
                                                     {"http://127.0.0.1/127.0.9.9"},
                                                     false},
                                         ConfirmCase{"OtherEndpointAtTheNewAddress",
                                                     false,
                                                     "urn:uuid:7e57ca11-0000-4000-8000-000000000009",
                                                     {"http://127.0.9.9/onvif/device_service"},
                                                     false},
                                         ConfirmCase{"DhcpAnyAnswer",
                                                     true,
                                                     "urn:uuid:7e57ca11-0000-4000-8000-000000000001",
                                                     {"http://127.0.0.77/onvif/device_service"},
                                                     true}),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(OnvifPopup, NetworkSetupIsOfferedOnOnvifRowsButNotOnUpnpRows) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.SetRowCount(3);
    std::string problem;
    WriteRecordRow(form, 1, *OnvifDeviceRecord(TestOnvifCamera(1), problem));
    for (int col : {kColProj, kColNetmask, kColMac}) form.SetCell(col, 2, "NULL");
    logic.SelectedRow = 1;
    logic.PopupMenu1Popup();
    EXPECT_TRUE(form.networkSetupEnabled);
    logic.SelectedRow = 2;
    logic.PopupMenu1Popup();
    EXPECT_FALSE(form.networkSetupEnabled);
}

}  // namespace
