// SPDX-License-Identifier: GPL-3.0-or-later
// One ONVIF task for many cameras: which cameras the arguments name, each
// camera's result against the fake camera, and the exit status of the whole.

#include "cli/onvif_fleet.h"

#include <set>

#include <gtest/gtest.h>

#include "cli/onvif_command.h"
#include "cli/onvif_options.h"
#include "tests/support/fake_onvif_camera.h"

namespace {

struct FleetUsageCase {
    const char* name;
    std::string command;
    std::vector<std::string> args;
    std::string error;  // empty: accepted
    bool many = false;
};

class OnvifFleetUsage : public testing::TestWithParam<FleetUsageCase> {};

TEST_P(OnvifFleetUsage, NamesTheCamerasOnceAndTheNewPasswordNeverOnTheCommandLine) {
    const FleetUsageCase& c = GetParam();
    const ParsedOnvifOptions parsed = ParseOnvifCommandOptions(c.command, c.args);
    EXPECT_EQ(parsed.error, c.error);
    if (c.error.empty()) {
        EXPECT_EQ(parsed.options.many, c.many);
    }
}

const std::vector<std::string> kTwo{"--ip", "203.0.113.7", "--ip", "203.0.113.8", "--user", "admin"};

std::vector<std::string> With(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, OnvifFleetUsage,
    testing::Values(
        FleetUsageCase{"OneIpKeepsTheSingleCamera", "info", {"--ip", "203.0.113.7"}, "", false},
        FleetUsageCase{"RepeatedIpIsAList", "info", kTwo, "", true},
        FleetUsageCase{"ManyNeedAUser", "info", {"--ip", "203.0.113.7", "--ip", "203.0.113.8"}, "--user is required"},
        FleetUsageCase{"AllWithMatch", "sync-time", {"--all", "--match", "lobby", "--user", "a"}, "", true},
        FleetUsageCase{"MatchWithoutAll", "info", With(kTwo, {"--match", "x"}), "--match goes with --all"},
        FleetUsageCase{"AllAndAddresses", "info", With(kTwo, {"--all"}),
                       "give --all or the cameras' addresses, not both"},
        FleetUsageCase{"FilterIsNoMatch",
                       "info",
                       {"--all", "--filter", "x", "--user", "a"},
                       "--filter is the search's project filter; --match TEXT chooses cameras of --all"},
        FleetUsageCase{"CsvOfOne", "info", {"--ip", "203.0.113.7", "--user", "a", "--format", "csv"}, "", true},
        FleetUsageCase{"MediaTakesOne", "media", kTwo, "media takes one camera"},
        FleetUsageCase{
            "RebootOfOneIsAList", "reboot", {"--ip", "203.0.113.7", "--user", "a", "--verify", "30"}, "", true},
        FleetUsageCase{"VerifyOnlyForReboot", "sync-time", With(kTwo, {"--verify", "3"}), "unknown argument --verify"},
        FleetUsageCase{"NewPasswordFromAFile", "set-password",
                       With(kTwo, {"--new-password-file", "f", "--for-user", "op"}), "", true},
        FleetUsageCase{"NewPasswordFileRequired", "set-password", kTwo,
                       "--new-password-file FILE is required (a new password is never taken from the command line)"},
        FleetUsageCase{"NewPasswordNeverInArgv", "set-password", With(kTwo, {"--new-password", "Secret-123"}),
                       "unknown argument --new-password"}),
    [](const testing::TestParamInfo<FleetUsageCase>& p) { return std::string(p.param.name); });

// The fake camera at every address but those that are gone.
class FakeFleet : public FakeOnvifCamera {
public:
    std::set<std::string> gone;
    OnvifCallResult ReadFacts(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials,
                              OnvifDeviceFacts& out) override {
        if (gone.count(xaddr) != 0) return {OnvifCallStatus::NoService, "No ONVIF device service answered at " + xaddr};
        return FakeOnvifCamera::ReadFacts(xaddr, credentials, out);
    }
    OnvifCallResult Reboot(const std::string& xaddr, const std::optional<OnvifCredentials>& credentials) override {
        if (gone.count(xaddr) != 0) return {OnvifCallStatus::NoService, "No ONVIF device service answered at " + xaddr};
        return FakeOnvifCamera::Reboot(xaddr, credentials);
    }
};

std::vector<FleetCamera> Cameras(int count) {
    std::vector<FleetCamera> cameras;
    for (int i = 0; i < count; ++i) {
        const std::string ip = "203.0.113." + std::to_string(10 + i);
        cameras.push_back({"http://" + ip + "/onvif/device_service", ip, "urn:uuid:" + std::to_string(i), ""});
    }
    return cameras;
}

struct FleetCase {
    const char* name;
    FleetTask task;
    std::string password;          // signed in with
    int gone = 0;                  // the first cameras have no device service
    bool backAfterRestart = true;  // what the restart watch says of the last camera
    std::string newPassword;
    int status;              // exit status of the whole
    std::string lastResult;  // the last camera's line
};

class OnvifFleetRun : public testing::TestWithParam<FleetCase> {};

TEST_P(OnvifFleetRun, GivesEachCameraItsResultAndTheWholeItsStatus) {
    const FleetCase& c = GetParam();
    FakeFleet camera;
    camera.facts.ntp = false;
    const std::vector<FleetCamera> cameras = Cameras(3);
    for (int i = 0; i < c.gone; ++i) camera.gone.insert(cameras[static_cast<std::size_t>(i)].xaddr);
    FleetRequest request;
    request.task = c.task;
    request.credentials = {"admin", c.password};
    request.newPassword = c.newPassword;
    request.verifySeconds = 30;
    request.watchRestart = [&](const FleetCamera& which, FleetClock::time_point, std::chrono::seconds,
                               const std::atomic<bool>&) {
        return which.xaddr == cameras.back().xaddr && !c.backAfterRestart ? std::nullopt : std::optional(12.34);
    };
    const std::vector<FleetOutcome> outcomes = RunFleet(camera, cameras, request, 2);
    ASSERT_EQ(outcomes.size(), cameras.size());
    EXPECT_EQ(FleetExitStatus(outcomes), c.status);
    EXPECT_EQ(outcomes.back().result, c.lastResult);
    if (c.task == FleetTask::SetPassword) {
        EXPECT_EQ(camera.PasswordAt(cameras.back().xaddr), c.status == 0 ? c.newPassword : std::string("secret"))
            << "a refused password leaves the old one";
    }
}

const std::string kRefused =
    "Sign-in refused by http://203.0.113.12/onvif/device_service: check the user name and password.";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, OnvifFleetRun,
    testing::Values(FleetCase{"AllRead", FleetTask::Info, "secret", 0, true, "", 0, "read"},
                    FleetCase{"EveryCameraRefusesTheSignIn", FleetTask::Info, "wrong", 0, true, "", 4, kRefused},
                    FleetCase{"NoDeviceServiceAnywhere", FleetTask::Info, "secret", 3, true, "", 5,
                              "No ONVIF device service answered at http://203.0.113.12/onvif/device_service"},
                    FleetCase{"OneGoneTheRestRead", FleetTask::Info, "secret", 1, true, "", 1, "read"},
                    FleetCase{"ClocksSet", FleetTask::SyncTime, "secret", 0, true, "", 0, "clock offset now 0.2 s"},
                    FleetCase{"BackAfterRestart", FleetTask::Reboot, "secret", 0, true, "", 0, "back after 12.3 s"},
                    FleetCase{"OneNotBack", FleetTask::Reboot, "secret", 0, false, "", 3, "not back within 30 s"},
                    FleetCase{"OneGoneOneNotBack", FleetTask::Reboot, "secret", 1, false, "", 3,
                              "not back within 30 s"},
                    FleetCase{"PasswordChangedAndProved", FleetTask::SetPassword, "secret", 0, true, "Gr33n-Field.42",
                              0, "changed and proved"},
                    FleetCase{"PasswordTooShort", FleetTask::SetPassword, "secret", 0, true, "k9x", 1,
                              "SetUser refused by http://203.0.113.12/onvif/device_service: too short"}),
    [](const testing::TestParamInfo<FleetCase>& p) { return std::string(p.param.name); });

TEST(OnvifFleetRun, ACameraOnNtpKeepsItsClockWithoutForce) {
    FakeFleet camera;
    camera.facts.ntp = true;
    FleetRequest request;
    request.task = FleetTask::SyncTime;
    request.credentials = camera.accepted;
    std::vector<FleetOutcome> outcomes = RunFleet(camera, Cameras(2), request);
    EXPECT_EQ(FleetExitStatus(outcomes), 1);
    EXPECT_EQ(camera.CountOf("SyncTime"), 0);
    request.force = true;
    outcomes = RunFleet(camera, Cameras(2), request);
    EXPECT_EQ(FleetExitStatus(outcomes), 0);
    EXPECT_EQ(camera.CountOf("SyncTime"), 2);
}

}  // namespace
