// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli's camera tasks over every camera a search finds: the
// inventory, the clocks, restarts and a new password, against devsim's
// cameras (camera 0 at 127.77.0.10, camera 1 at 127.77.0.11).

#include <filesystem>
#include <regex>

#include "tests/lan/onvif_device/onvif_device_lan_fixture.h"

namespace {

const std::string kEndpoint0 = "urn:uuid:4f4e5649-4600-4000-8000-000000000000";
const std::string kEndpoint1 = "urn:uuid:4f4e5649-4600-4000-8000-000000000001";

std::size_t Lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST_F(OnvifDeviceLan, InfoOfManyCamerasIsOneJsonLineEachOrTheInventory) {
    StartCameras({});
    const CliRun all = Run({"onvif", "info", "--all", "--user", kUser});
    ASSERT_EQ(all.status, 0) << all.err;
    ASSERT_EQ(Lines(all.out), 2u) << all.out;
    EXPECT_NE(all.out.find("\"manufacturer\": \"Devsim Optics\""), std::string::npos) << all.out;
    EXPECT_NE(all.out.find("\"endpoint\": \"" + kEndpoint1 + "\", \"ip\": \"127.77.0.11\", \"error\": null}\n"),
              std::string::npos)
        << all.out;
    // Each camera is asked each question once: the sign-in's reads are not asked again.
    for (const char* operation : {"GetSystemDateAndTime", "GetHostname", "GetServices", "GetDeviceInformation",
                                  "GetUsers", "GetNetworkInterfaces", "GetDNS"})
        EXPECT_EQ(Asked(operation), 2) << operation;

    // --match picks by the Model cell, in any case; the inventory is CSV (the
    // clock read in whole seconds: its offset within 2 s).
    const CliRun csv = Run({"onvif", "info", "--all", "--match", "kv-410t", "--user", kUser, "--format", "csv"});
    ASSERT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out.substr(0, csv.out.find('\n')),
              "name,ip,endpoint,manufacturer,model,firmware,serial,hardware_id,mac,dhcp,prefix_length,gateway,dns,"
              "ntp,clock_offset_seconds");
    ASSERT_EQ(Lines(csv.out), 2u) << csv.out;
    EXPECT_TRUE(std::regex_search(csv.out, std::regex("\n[^,]*,127\\.77\\.0\\.10," + kEndpoint0 +
                                                      ",Devsim Optics,KV-410T,1\\.4\\.0,DSO-00000000,rev-A,"
                                                      "02:4f:4e:00:00:00,false,8,,,false,-?[01]\\.\\d\n")))
        << csv.out;

    // An address without a camera is named, and the rest is still read.
    const CliRun some = Run({"onvif", "info", "--ip", "127.77.0.10", "--ip", "127.77.9.9", "--user", kUser});
    EXPECT_EQ(some.status, 1) << some.err;
    EXPECT_NE(some.out.find("\"ip\": \"127.77.9.9\", \"error\": \"No ONVIF device service answered at "
                            "http://127.77.9.9/onvif/device_service"),
              std::string::npos)
        << some.out;
    EXPECT_NE(some.err.find("127.77.9.9 -: No ONVIF device service"), std::string::npos) << some.err;
}

// A camera's clock is set and read in whole seconds: each within 2 s, as for one camera.
TEST_F(OnvifDeviceLan, SyncTimeSetsEveryClock) {
    StartCameras({"--onvif-clock-offset", "3600"});
    const CliRun run = Run({"onvif", "sync-time", "--all", "--user", kUser});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::regex_match(run.out, std::regex("127\\.77\\.0\\.10 " + kEndpoint0 +
                                                     ": clock offset now -?[01]\\.\\d s\n127\\.77\\.0\\.11 " +
                                                     kEndpoint1 + ": clock offset now -?[01]\\.\\d s\n")))
        << run.out;
}

TEST_F(OnvifDeviceLan, RebootVerifiedUntilEachCameraIsBack) {
    StartCameras({"--onvif-reboot-ms", "700"});
    const CliRun run =
        Run({"onvif", "reboot", "--ip", "127.77.0.10", "--ip", "127.77.0.11", "--user", kUser, "--verify", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(std::regex_match(
        run.out, std::regex("127\\.77\\.0\\.10 " + kEndpoint0 + ": back after \\d+\\.\\d s\n127\\.77\\.0\\.11 " +
                            kEndpoint1 + ": back after \\d+\\.\\d s\n")))
        << run.out;
    EXPECT_EQ(Asked("SystemReboot"), 2);
    // Without NTP a restarted camera's clock starts from its factory time.
    const CliRun info = Run({"onvif", "info", "--ip", "127.77.0.10", "--user", kUser});
    ASSERT_EQ(info.status, 0) << info.err;
    std::smatch offset;
    ASSERT_TRUE(std::regex_search(info.out, offset, std::regex("\"clock_offset_seconds\": (-?[0-9.]+)"))) << info.out;
    EXPECT_LT(std::stod(offset[1]), -3e8) << "years behind: " << info.out;
}

// A camera whose device service goes on answering through its restart is
// seen going by its Bye.
TEST_F(OnvifDeviceLan, RebootOfACameraThatNeverStopsAnsweringIsSeenGoingByItsBye) {
    StartCameras({"--onvif-reboot-ms", "1500", "--onvif-quirk", "quick-restart"});
    const CliRun run = Run({"onvif", "reboot", "--ip", "127.77.0.10", "--user", kUser, "--verify", "20"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(
        std::regex_match(run.out, std::regex("127\\.77\\.0\\.10 " + kEndpoint0 + ": back after \\d+\\.\\d s\n")))
        << run.out;
}

TEST_F(OnvifDeviceLan, SetPasswordChangesProvesAndNeverShowsEitherPassword) {
    StartCameras({});
    const std::string tooShort = files.File("short");
    const std::string fresh = files.File("fresh");
    ASSERT_TRUE(WriteFile(tooShort, "k9x\n"));
    ASSERT_TRUE(WriteFile(fresh, "Gr33n-Field.42\n"));

    const CliRun refused = Run({"onvif", "set-password", "--all", "--user", kUser, "--new-password-file", tooShort});
    EXPECT_EQ(refused.status, 1) << refused.err;
    EXPECT_NE(refused.out.find("127.77.0.10 " + kEndpoint0 +
                               ": SetUser refused by http://127.77.0.10/onvif/device_service: The password is too "
                               "short: at least 8 characters."),
              std::string::npos)
        << refused.out;

    const CliRun changed = Run({"onvif", "set-password", "--all", "--user", kUser, "--new-password-file", fresh});
    ASSERT_EQ(changed.status, 0) << changed.err;
    EXPECT_EQ(changed.out, "127.77.0.10 " + kEndpoint0 + ": changed and proved\n127.77.0.11 " + kEndpoint1 +
                               ": changed and proved\n");
    for (const CliRun* run : {&refused, &changed})
        for (const std::string secret : {kPassword, "k9x", "Gr33n-Field.42"})
            EXPECT_EQ((run->out + run->err).find(secret), std::string::npos) << secret;

    EXPECT_EQ(Run({"onvif", "info", "--all", "--user", kUser}).status, 4) << "the old password is gone";
    EXPECT_EQ(Run({"onvif", "info", "--all", "--user", kUser}, "Gr33n-Field.42").status, 0);
}

// Real cameras take tens of milliseconds a call: the questions that do not
// wait for another answer go out together (the camera's log counts its
// requests in flight), a camera answering one at a time is still read
// whole, and the sign-in never tries two passwords or methods at once:
// cameras that lock a user out count every refusal.
TEST_F(OnvifDeviceLan, InfoAsksTogetherWhatDoesNotWaitAndSignsInOneTryAtATime) {
    StartCameras({"--onvif-call-ms", "150", "--onvif-quirk", "one-at-a-time"});
    const CliRun run = Run({"onvif", "info", "--ip", "127.77.0.10", "--ip", "127.77.0.11", "--user", kUser});
    ASSERT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(Lines(run.out), 2u) << run.out;
    EXPECT_NE(run.out.find("\"mac\": \"02:4f:4e:00:00:01\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"hostname\": \"onvif-cam-1\""), std::string::npos) << run.out;
    int mostAtOnce = 0;
    for (const LoggedRequest& request : Logged()) mostAtOnce = std::max(mostAtOnce, request.inFlight);
    EXPECT_EQ(mostAtOnce, 4) << "GetUsers with the three network reads";
    EXPECT_EQ(Asked("GetNetworkInterfaces"), 2);

    std::filesystem::resize_file(requestsPath, 0);
    const CliRun wrong = Run({"onvif", "info", "--ip", "127.77.0.10", "--user", kUser}, "not the password");
    EXPECT_EQ(wrong.status, 4) << wrong.err;
    for (const LoggedRequest& request : Logged()) {
        EXPECT_NE(request.operation, "GetUsers") << "nothing more after a refusal";
        if (request.operation == "GetDeviceInformation") {
            EXPECT_EQ(request.inFlight, 1) << "one try at a time";
        }
    }
    EXPECT_EQ(Asked("GetDeviceInformation"), 2) << "one try per method";
}

// A camera whose web server takes one connection at a time closes the calls
// that come beside another: they are asked again alone, and the rest of the
// reading goes one call after another.
TEST_F(OnvifDeviceLan, ACameraTakingOneConnectionAtATimeIsReadWhole) {
    StartCameras({"--onvif-call-ms", "300", "--onvif-quirk", "one-connection"});
    const CliRun run = Run({"onvif", "info", "--ip", "127.77.0.10", "--user", kUser});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\"mac\": \"02:4f:4e:00:00:00\""), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\"dns\": []"), std::string::npos) << run.out;
    const std::vector<LoggedRequest> logged = Logged();
    EXPECT_LE(std::count_if(logged.begin(), logged.end(), [](const LoggedRequest& r) { return r.status == "-"; }), 2)
        << "closed unanswered: only calls of the first wave";
}

}  // namespace
