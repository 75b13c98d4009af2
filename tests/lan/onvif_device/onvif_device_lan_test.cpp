// SPDX-License-Identifier: GPL-3.0-or-later
// Sign-in, facts, time and network settings of simulated ONVIF cameras
// through lanvaro-cli.

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <regex>

#include "tests/lan/onvif_device/onvif_device_lan_fixture.h"

namespace {

const std::string kCamera0 = "127.77.0.10";
const std::string kEndpoint0 = "urn:uuid:4f4e5649-4600-4000-8000-000000000000";

// The number after "key": in the CLI's JSON.
double JsonNumber(const std::string& json, const std::string& key) {
    const std::size_t at = json.find("\"" + key + "\": ");
    return at == std::string::npos ? NAN : std::atof(json.c_str() + at + key.size() + 4);
}

struct SignInCase {
    const char* mode;
    const char* method;
};

class OnvifSignIn : public OnvifDeviceLan, public ::testing::WithParamInterface<SignInCase> {};

TEST_P(OnvifSignIn, EachModeSignsInWithItsMethodAndReadsTheFacts) {
    StartCameras({"--onvif-auth", GetParam().mode});
    const CliRun run = Run({"onvif", "info", "--ip", kCamera0, "--user", kUser});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(std::string("\"auth\": \"") + GetParam().method + "\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"manufacturer\": \"Devsim Optics\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"interfaces\": [{\"token\": \"eth0\", \"mac\": \"02:4f:4e:00:00:00\", \"dhcp\": false, "
                           "\"address\": \"127.77.0.10\", \"prefix_length\": 8}]"),
              std::string::npos)
        << run.out;
}

INSTANTIATE_TEST_SUITE_P(Modes, OnvifSignIn,
                         ::testing::Values(SignInCase{"none", "ws-security"}, SignInCase{"wsse", "ws-security"},
                                           SignInCase{"digest", "http-digest"}, SignInCase{"both", "ws-security"}),
                         [](const ::testing::TestParamInfo<SignInCase>& p) { return std::string(p.param.mode); });

TEST_F(OnvifDeviceLan, WithoutAUserOnlyTheOpenFactsAreFilled) {
    StartCameras({});
    const CliRun run = Run({"onvif", "info", "--xaddr", "http://127.77.0.10/onvif/device_service"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"auth\": null"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"hostname\": \"onvif-cam-0\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"manufacturer\": null"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"interfaces\": null"), std::string::npos) << run.out;
    EXPECT_EQ(Asked("GetDeviceInformation"), 0);
}

TEST_F(OnvifDeviceLan, AWrongPasswordIsRefusedAndNothingElseIsSent) {
    StartCameras({});
    const CliRun run = Run({"onvif", "info", "--ip", kCamera0, "--user", kUser}, "not the password");
    EXPECT_EQ(run.status, 4) << run.out;
    EXPECT_NE(run.err.find("Sign-in refused by http://127.77.0.10/onvif/device_service: check the user name and "
                           "password."),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out, "");
    const std::vector<std::string> asked = Requests();
    ASSERT_FALSE(asked.empty());
    // The sign-in tries (without, WS-Security, Digest's challenge and answer) end the conversation.
    const auto firstTry = std::find(asked.begin(), asked.end(), "GetDeviceInformation");
    for (auto it = firstTry; it != asked.end(); ++it) EXPECT_TRUE(*it == "GetDeviceInformation" || *it == "-") << *it;
}

TEST_F(OnvifDeviceLan, NoDeviceServiceAtTheAddressIsExitFive) {
    StartCameras({});
    const CliRun run = Run({"onvif", "info", "--ip", "127.77.9.9"});
    EXPECT_EQ(run.status, 5) << run.out;
    EXPECT_NE(run.err.find("No ONVIF device service answered at http://127.77.9.9/onvif/device_service"),
              std::string::npos)
        << run.err;
}

// WS-Security's Created must be the camera's time, not this computer's.
TEST_F(OnvifDeviceLan, AClockThreeHoursOffStillSignsInAndSyncTimeSetsIt) {
    StartCameras({"--onvif-auth", "wsse", "--onvif-clock-offset", "-10800"});
    const CliRun before = Run({"onvif", "info", "--ip", kCamera0, "--user", kUser});
    ASSERT_EQ(before.status, 0) << before.err;
    EXPECT_NE(before.out.find("\"auth\": \"ws-security\""), std::string::npos) << before.out;
    EXPECT_NEAR(JsonNumber(before.out, "clock_offset_seconds"), -10800, 2) << before.out;

    const CliRun sync = Run({"onvif", "sync-time", "--ip", kCamera0, "--user", kUser});
    ASSERT_EQ(sync.status, 0) << sync.err;
    std::smatch match;
    ASSERT_TRUE(std::regex_match(sync.out, match, std::regex("clock offset now (-?[0-9]+\\.[0-9]) s\n"))) << sync.out;
    EXPECT_LT(std::fabs(std::atof(match[1].str().c_str())), 2.0) << sync.out;
    const CliRun after = Run({"onvif", "info", "--ip", kCamera0});
    EXPECT_NEAR(JsonNumber(after.out, "clock_offset_seconds"), 0, 2) << after.out;
}

TEST_F(OnvifDeviceLan, SyncTimeLeavesACameraOnNtpAloneUnlessForced) {
    StartCameras({"--onvif-ntp"});
    const CliRun refused = Run({"onvif", "sync-time", "--ip", kCamera0, "--user", kUser});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("NTP"), std::string::npos) << refused.err;
    EXPECT_EQ(Asked("SetSystemDateAndTime"), 0);

    const CliRun forced = Run({"onvif", "sync-time", "--ip", kCamera0, "--user", kUser, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    const CliRun after = Run({"onvif", "info", "--ip", kCamera0});
    EXPECT_NE(after.out.find("\"ntp\": false"), std::string::npos) << after.out;
}

// The one-host box's loopback answers every 127/8 address, so the address
// probe is passed over with --force here.
TEST_F(OnvifDeviceLan, StaticSetupIsSentAndConfirmedAtTheNewAddress) {
    StartCameras({"--onvif-auth", "digest"});
    const CliRun run =
        Run({"setup", "--onvif", kCamera0, "--user", kUser, "--static", "--ip", "127.77.0.60", "--netmask",
             "255.255.255.0", "--gateway", "127.77.0.1", "--dns", "127.77.0.53", "--verify", "20", "--force"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("confirmed: " + kEndpoint0 +
                                                      " at 127\\.77\\.0\\.60 after "
                                                      "[0-9]+\\.[0-9] s\n")))
        << run.out;
    const CliRun after = Run({"onvif", "info", "--ip", "127.77.0.60", "--user", kUser});
    ASSERT_EQ(after.status, 0) << after.err;
    EXPECT_NE(after.out.find("\"address\": \"127.77.0.60\", \"prefix_length\": 24"), std::string::npos) << after.out;
    EXPECT_NE(after.out.find("\"gateway\": [\"127.77.0.1\"], \"dns\": [\"127.77.0.53\"]"), std::string::npos)
        << after.out;
}

TEST_F(OnvifDeviceLan, DhcpSetupIsConfirmedByTheCameraAnsweringAfterTheSend) {
    StartCameras({});
    const CliRun run = Run({"setup", "--onvif", kCamera0, "--user", kUser, "--dhcp", "--verify", "20"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;
    EXPECT_NE(run.out.find("confirmed: " + kEndpoint0 + " at "), std::string::npos) << run.out;
    const auto asked = Requests();
    EXPECT_NE(std::find(asked.begin(), asked.end(), "SetNetworkInterfaces"), asked.end());
}

TEST_F(OnvifDeviceLan, RebootNeededIsAnsweredOnlyWithReboot) {
    StartCameras({"--onvif-reboot-needed"});
    const std::vector<std::string> setup = {"setup", "--onvif",     kCamera0,    "--user",    kUser,       "--static",
                                            "--ip",  "127.77.0.61", "--netmask", "255.0.0.0", "--gateway", "127.0.0.1",
                                            "--dns", "127.0.0.53",  "--force",   "--verify",  "3"};
    const CliRun waiting = Run(setup);
    EXPECT_EQ(waiting.status, 3) << waiting.out << waiting.err;
    EXPECT_NE(waiting.out.find("The camera must restart to use the new settings"), std::string::npos) << waiting.out;
    EXPECT_EQ(Asked("SystemReboot"), 0);

    std::vector<std::string> withReboot = setup;
    withReboot.back() = "20";
    withReboot.push_back("--reboot");
    const CliRun rebooted = Run(withReboot);
    EXPECT_EQ(rebooted.status, 0) << rebooted.out << rebooted.err;
    EXPECT_NE(rebooted.out.find("confirmed: " + kEndpoint0 + " at 127.77.0.61"), std::string::npos) << rebooted.out;
}

TEST_F(OnvifDeviceLan, ARefusedLastCallSaysWhatWasAppliedAndWhatNot) {
    StartCameras({"--onvif-refuse", "SetNetworkInterfaces"});
    const CliRun run = Run({"setup", "--onvif", kCamera0, "--user", kUser, "--static", "--ip", "127.77.0.62",
                            "--netmask", "255.255.0.0", "--gateway", "127.0.0.1", "--dns", "127.0.0.53", "--force"});
    EXPECT_EQ(run.status, 1) << run.out;
    // As setup warns of a gateway outside the new subnet, and sends all the same.
    EXPECT_NE(run.err.find("Warning: Unresonable Gateway - [127.0.0.1]\n"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("SetNetworkInterfaces refused by http://127.77.0.10/onvif/device_service: "
                           "SetNetworkInterfaces is refused by this camera. Applied: gateway, DNS; not applied: "
                           "address."),
              std::string::npos)
        << run.err;
}

}  // namespace
