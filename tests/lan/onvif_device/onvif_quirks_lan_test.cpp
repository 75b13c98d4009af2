// Cameras as the field has them (devsim's --onvif-quirk), each signed in to
// by the window's camera actions and by lanvaro-cli with the right password
// and a wrong one. The box's http_proxy points nowhere: camera calls must
// pass it by.

#include <clocale>
#include <cmath>
#include <cstdlib>

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "camera/onvif_camera_actions.h"
#include "tests/support/fake_camera_window.h"
#include "tests/support/fake_onvif_camera.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"

namespace {

constexpr const char* kUser = "installer";
constexpr const char* kPassword = "s3cret pass";
// The cameras' clocks run two hours ahead: each way of reading the clock must find that.
constexpr double kClockOffset = 7200;

struct QuirkCase {
    const char* quirk;  // empty: a camera by the book
    OnvifAuthMethod auth;
    bool anyPasswordReads;  // a wrong password signs in as Open
    // devsim's camera number: each case its own address, as the client
    // remembers the method that worked per address for the run.
    int camera;
};

class OnvifQuirk : public testing::TestWithParam<QuirkCase> {
protected:
    void SetUp() override {
        std::setlocale(LC_ALL, "C.UTF-8");
        ASSERT_NE(std::getenv("http_proxy"), nullptr) << "the test runs with a proxy that goes nowhere";
        camera = "127.77.0." + std::to_string(10 + GetParam().camera);
        std::vector<std::string> args{"--no-udp",
                                      "--onvif",
                                      "1",
                                      "--onvif-first",
                                      std::to_string(GetParam().camera),
                                      "--onvif-user",
                                      kUser,
                                      "--onvif-password",
                                      kPassword,
                                      "--onvif-clock-offset",
                                      std::to_string(static_cast<int>(kClockOffset))};
        if (*GetParam().quirk != '\0') args.insert(args.end(), {"--onvif-quirk", GetParam().quirk});
        devsim = std::make_unique<DevsimProcess>(args);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    ProgramText Cli(std::vector<std::string> args, const std::string& password) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        const std::string n = std::to_string(runs++);
        return RunForText(args, files.File("out" + n), files.File("err" + n), {"LANVARO_ONVIF_PASSWORD=" + password});
    }

    std::string AuthText() const { return std::string("\"auth\": \"") + OnvifAuthMethodName(GetParam().auth) + "\""; }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
    std::string camera;
    int runs = 0;
};

double JsonNumber(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": ");
    return at == std::string::npos ? NAN : std::atof(json.c_str() + at + key.size() + 4);
}

TEST_P(OnvifQuirk, TheWindowSignsInWithTheRightPasswordOnlyAndReadsTheFacts) {
    FakeWindow form;
    MainFormLogic logic(form);
    form.proj = "ONVIF";
    logic.Button1Click();
    ASSERT_TRUE(form.RunUntil([&] { return !logic.Searching(); }, std::chrono::seconds(20)));
    ASSERT_EQ(form.RowCount(), 2);
    ASSERT_EQ(form.Cell(kColIp, 1), camera);
    logic.SelectRow(1);
    const std::unique_ptr<OnvifCameraAccess> access = MakeOnvifDeviceAccess();
    MemoryVault vault;
    FakeCameraWindow window;
    OnvifCameraActions actions(logic, form, window, *access, vault);
    const std::string endpoint = logic.OnvifEngine.m_Devices.at(0).endpoint;

    window.answers = {TestSignIn(kUser, "not the password", true)};
    actions.SignIn1Click();
    if (GetParam().anyPasswordReads) {
        ASSERT_FALSE(form.messages.empty());
        EXPECT_EQ(form.messages.back().text, kOnvifOpenNote);
    } else {
        ASSERT_FALSE(form.messages.empty());
        EXPECT_NE(form.messages.back().text.find("refused"), std::string::npos) << form.messages.back().text;
        EXPECT_EQ(actions.KnownFacts(endpoint), nullptr);
    }
    EXPECT_TRUE(vault.entries.empty()) << "a password not proved is never remembered";

    form.messages.clear();
    window.answers.push_back(TestSignIn(kUser, kPassword, true));
    actions.SignIn1Click();
    const OnvifDeviceFacts* facts = actions.KnownFacts(endpoint);
    ASSERT_NE(facts, nullptr) << (form.messages.empty() ? "" : form.messages.back().text);
    EXPECT_EQ(facts->auth, GetParam().auth);
    EXPECT_EQ(facts->manufacturer, "Devsim Optics");
    ASSERT_TRUE(facts->clockOffsetSeconds) << facts->clockNote;
    EXPECT_NEAR(*facts->clockOffsetSeconds, kClockOffset, 2);
    EXPECT_EQ(vault.entries.count(endpoint), GetParam().anyPasswordReads ? 0u : 1u);
}

TEST_P(OnvifQuirk, TheCliSignsInWithTheRightPasswordOnlyAndChangesTheClock) {
    const ProgramText wrong = Cli({"onvif", "info", "--ip", camera, "--user", kUser}, "not the password");
    if (GetParam().anyPasswordReads) {
        EXPECT_EQ(wrong.status, 0) << wrong.err;
        EXPECT_NE(wrong.out.find("\"auth\": \"open\""), std::string::npos) << wrong.out;
        EXPECT_NE(wrong.err.find(kOnvifOpenNote), std::string::npos) << wrong.err;
    } else {
        EXPECT_EQ(wrong.status, 4) << wrong.out << wrong.err;
        EXPECT_NE(wrong.err.find("refused"), std::string::npos) << wrong.err;
    }

    const ProgramText info = Cli({"onvif", "info", "--ip", camera, "--user", kUser}, kPassword);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find(AuthText()), std::string::npos) << info.out;
    EXPECT_NE(info.out.find("\"manufacturer\": \"Devsim Optics\""), std::string::npos) << info.out;
    EXPECT_NEAR(JsonNumber(info.out, "clock_offset_seconds"), kClockOffset, 2) << info.out << info.err;

    // A change always goes signed: the camera that lets anyone read takes it
    // only with the right password.
    const ProgramText wrongChange = Cli({"onvif", "sync-time", "--ip", camera, "--user", kUser}, "not the password");
    EXPECT_EQ(wrongChange.status, 4) << wrongChange.out << wrongChange.err;
    if (GetParam().anyPasswordReads) {
        EXPECT_NE(wrongChange.err.find("refused: wrong password, or the user is not an administrator"),
                  std::string::npos)
            << wrongChange.err;
    }
    const ProgramText sync = Cli({"onvif", "sync-time", "--ip", camera, "--user", kUser}, kPassword);
    EXPECT_EQ(sync.status, 0) << sync.err;
    const ProgramText after = Cli({"onvif", "info", "--ip", camera, "--user", kUser}, kPassword);
    EXPECT_NEAR(JsonNumber(after.out, "clock_offset_seconds"), 0, 2) << after.out << after.err;
}

INSTANTIATE_TEST_SUITE_P(
    , OnvifQuirk,
    testing::Values(QuirkCase{"", OnvifAuthMethod::WsSecurity, false, 0},
                    QuirkCase{"open-reads", OnvifAuthMethod::Open, true, 5},
                    QuirkCase{"local-clock", OnvifAuthMethod::WsSecurity, false, 6},
                    // Digest first: WS-Security needs the clock this camera keeps to the signed in.
                    QuirkCase{"clock-auth", OnvifAuthMethod::HttpDigest, false, 7},
                    QuirkCase{"soap11", OnvifAuthMethod::WsSecurity, false, 8}),
    [](const testing::TestParamInfo<QuirkCase>& p) {
        std::string name = *p.param.quirk == '\0' ? "ByTheBook" : p.param.quirk;
        std::erase(name, '-');
        return name;
    });

}  // namespace
