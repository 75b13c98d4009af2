// SPDX-License-Identifier: GPL-3.0-or-later
// Cameras as the field has them (devsim's --onvif-quirk), each signed in to
// by the window's camera actions and by lanvaro-cli with the right password
// and a wrong one, and given new settings as each takes them. The box's
// http_proxy points nowhere: camera calls must pass it by. Nothing a camera
// says reaches the terminal as a raw control character.

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

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

// One devsim camera (number `camera`, at 127.77.0.(10 + camera)) with the
// quirk, and lanvaro-cli runs against it.
class QuirkCamera : public testing::Test {
protected:
    void StartCamera(const std::string& quirk, int number) {
        std::setlocale(LC_ALL, "C.UTF-8");
        ASSERT_NE(std::getenv("http_proxy"), nullptr) << "the test runs with a proxy that goes nowhere";
        camera = "127.77.0." + std::to_string(10 + number);
        std::vector<std::string> args{"--no-udp",
                                      "--onvif",
                                      "1",
                                      "--onvif-first",
                                      std::to_string(number),
                                      "--onvif-user",
                                      kUser,
                                      "--onvif-password",
                                      kPassword,
                                      "--onvif-clock-offset",
                                      std::to_string(static_cast<int>(kClockOffset))};
        if (!quirk.empty()) args.insert(args.end(), {"--onvif-quirk", quirk});
        devsim = std::make_unique<DevsimProcess>(args);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    ProgramText Cli(std::vector<std::string> args, const std::string& password) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        const std::string n = std::to_string(runs++);
        ProgramText run =
            RunForText(args, files.File("out" + n), files.File("err" + n), {"LANVARO_ONVIF_PASSWORD=" + password});
        for (const std::string* text : {&run.out, &run.err})
            EXPECT_EQ(std::count_if(text->begin(), text->end(),
                                    [](char c) { return (c >= 0 && c < 0x20 && c != '\n') || c == 0x7f; }),
                      0)
                << "a raw control character: " << *text;
        return run;
    }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
    std::string camera;
    int runs = 0;
};

class OnvifQuirk : public QuirkCamera, public testing::WithParamInterface<QuirkCase> {
protected:
    void SetUp() override { StartCamera(GetParam().quirk, GetParam().camera); }

    std::string AuthText() const { return std::string("\"auth\": \"") + OnvifAuthMethodName(GetParam().auth) + "\""; }
};

// The text after "key": in the CLI's JSON, up to the next comma.
std::string JsonValue(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": ");
    if (at == std::string::npos) return {};
    const std::size_t start = at + key.size() + 4;
    return json.substr(start, json.find(", \"", start) - start);
}

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
    // The clock is set; its summer time and zone stay as the camera had them.
    for (const char* key : {"daylight_savings", "time_zone"}) {
        EXPECT_FALSE(JsonValue(info.out, key).empty()) << info.out;
        EXPECT_EQ(JsonValue(after.out, key), JsonValue(info.out, key)) << key;
    }
}

INSTANTIATE_TEST_SUITE_P(
    , OnvifQuirk,
    testing::Values(QuirkCase{"", OnvifAuthMethod::WsSecurity, false, 0},
                    QuirkCase{"open-reads", OnvifAuthMethod::Open, true, 5},
                    QuirkCase{"local-clock", OnvifAuthMethod::WsSecurity, false, 6},
                    // Digest first: WS-Security needs the clock this camera keeps to the signed in.
                    QuirkCase{"clock-auth", OnvifAuthMethod::HttpDigest, false, 7},
                    QuirkCase{"soap11", OnvifAuthMethod::WsSecurity, false, 8},
                    QuirkCase{"dst", OnvifAuthMethod::WsSecurity, false, 12}),
    [](const testing::TestParamInfo<QuirkCase>& p) {
        std::string name = *p.param.quirk == '\0' ? "ByTheBook" : p.param.quirk;
        std::erase(name, '-');
        return name;
    });

// A move as each camera takes it, confirmed by WS-Discovery where it took.
struct SetupCase {
    const char* quirk;
    int camera;
    std::vector<std::string> settings;
    int status;
    std::vector<std::string> says;  // in what the CLI printed
};

class OnvifQuirkSetup : public QuirkCamera, public testing::WithParamInterface<SetupCase> {
protected:
    // A second subnet of the box: loopback's, as the one-host box has no other card.
    static void SetUpTestSuite() { ASSERT_TRUE(RunIp({"addr", "add", "198.51.100.1/24", "dev", "lo"})); }
    static void TearDownTestSuite() { RunIp({"addr", "del", "198.51.100.1/24", "dev", "lo"}); }
    void SetUp() override { StartCamera(GetParam().quirk, GetParam().camera); }

    static bool RunIp(std::vector<std::string> args) {
        args.insert(args.begin(), "/usr/sbin/ip");
        ChildProcess ip(args);
        return ip.Wait(std::chrono::seconds(10)).value_or(-1) == 0;
    }
};

// The one-host box's loopback answers every 127/8 address: the probe is passed over with --force.
TEST_P(OnvifQuirkSetup, TheCliMovesTheCameraAsItTakesIt) {
    std::vector<std::string> args{"setup", "--onvif", camera, "--user", kUser, "--static"};
    args.insert(args.end(), GetParam().settings.begin(), GetParam().settings.end());
    args.insert(args.end(), {"--verify", "20", "--force"});
    const ProgramText run = Cli(args, kPassword);
    EXPECT_EQ(run.status, GetParam().status) << run.out << run.err;
    for (const std::string& text : GetParam().says)
        EXPECT_NE((run.out + run.err).find(text), std::string::npos) << text << "\n" << run.out << run.err;
}

const std::vector<std::string> kLoopbackMove{"--ip",      "127.77.5.20", "--netmask", "255.0.0.0",
                                             "--gateway", "127.0.0.1",   "--dns",     "127.0.0.53"};

INSTANTIATE_TEST_SUITE_P(
    , OnvifQuirkSetup,
    testing::Values(SetupCase{"open-reads", 13, kLoopbackMove, 0, {"confirmed: ", " at 127.77.5.20 after "}},
                    // Its gateway only after it stands in the new subnet, which loopback also holds here.
                    SetupCase{"gateway-subnet",
                              14,
                              {"--ip", "198.51.100.50", "--netmask", "255.255.255.0", "--gateway", "198.51.100.1",
                               "--dns", "198.51.100.53"},
                              0,
                              {"not in the subnet 127.77.0.24/8", "Gateway and DNS were set at the new address",
                               "The camera holds: address 198.51.100.50/24, gateway 198.51.100.1, DNS 198.51.100.53",
                               " at 198.51.100.50 after "}},
                    SetupCase{"move-first", 15, kLoopbackMove, 0, {"may already use it", " at 127.77.5.20 after "}},
                    SetupCase{"ignore-change",
                              16,
                              kLoopbackMove,
                              1,
                              {"accepted the change but kept its gateway none",
                               "accepted the change but kept its address 127.77.0.26/8"}}),
    [](const testing::TestParamInfo<SetupCase>& p) {
        std::string name = p.param.quirk;
        std::erase(name, '-');
        return name;
    });

// Without its gateway the camera answers its own link only: from elsewhere
// the gateway and DNS are left for a computer there, and the user told so.
TEST_F(QuirkCamera, AGatewayForASubnetThisComputerCannotReachIsLeftToOneThere) {
    StartCamera("gateway-subnet", 17);
    const ProgramText run =
        Cli({"setup", "--onvif", camera, "--user", kUser, "--static", "--ip", "203.0.113.50", "--netmask",
             "255.255.255.0", "--gateway", "203.0.113.1", "--dns", "203.0.113.53", "--force"},
            kPassword);
    EXPECT_EQ(run.status, 1) << run.out << run.err;
    EXPECT_NE(run.err.find("not applied: gateway, DNS (set them from a computer in 203.0.113.0/24)"), std::string::npos)
        << run.err;
}

}  // namespace
