// SPDX-License-Identifier: GPL-3.0-or-later
// Camera media end to end in a LAN box: devsim's cameras, each with a way
// field cameras differ, read by lanvaro-cli onvif media and snapshot and by
// the window's picture fetch; and a real RTSP client (Debian's ffprobe)
// reading the stream at the address onvif media printed, served by
// GStreamer's RTSP server.

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "camera/camera_picture_fetch.h"
#include "tests/support/lan_box.h"

namespace {

constexpr const char* kUser = "installer";
constexpr const char* kPassword = "s3cret pass";

std::string CameraIp(int number) { return "127.77.0." + std::to_string(10 + number); }

// The value of the first "key": "value" in a JSON text; empty when absent or null.
std::string JsonText(const std::string& json, const std::string& key) {
    const std::string start = "\"" + key + "\": \"";
    const std::size_t at = json.find(start);
    if (at == std::string::npos) return {};
    const std::size_t from = at + start.size();
    return json.substr(from, json.find('"', from) - from);
}

class MediaLan : public testing::Test {
protected:
    // devsim's cameras from `first` on, with the quirk ("" for none).
    void StartCameras(int first, int count, const std::string& quirk, std::vector<std::string> more = {}) {
        std::vector<std::string> args{
            "--no-udp",     "--onvif", std::to_string(count), "--onvif-first", std::to_string(first),
            "--onvif-user", kUser,     "--onvif-password",    kPassword};
        if (!quirk.empty()) args.insert(args.end(), {"--onvif-quirk", quirk});
        args.insert(args.end(), more.begin(), more.end());
        devsim = std::make_unique<DevsimProcess>(args);
        ASSERT_TRUE(devsim->Start()) << devsim->Error();
    }

    ProgramText Cli(std::vector<std::string> args, const std::string& password = kPassword) {
        args.insert(args.begin(), LANVARO_CLI_PATH);
        const std::string n = std::to_string(runs++);
        return RunForText(args, files.File("out" + n), files.File("err" + n), {"LANVARO_ONVIF_PASSWORD=" + password});
    }

    TempDir files;
    std::unique_ptr<DevsimProcess> devsim;
    int runs = 0;
};

struct MediaQuirkCase {
    const char* quirk;  // empty: a camera by the book
    int camera;
    const char* media;     // the service the client settles on
    bool insideAddresses;  // the camera names 203.0.113.254 for its services
};

class MediaQuirk : public MediaLan, public testing::WithParamInterface<MediaQuirkCase> {};

// Whatever the camera's way, the addresses handed out hold no password, the
// media service and the pictures are asked at the address it answered from,
// and the picture is its own JPEG.
TEST_P(MediaQuirk, ProfilesAndPictureComeAsFromACameraByTheBook) {
    const MediaQuirkCase& c = GetParam();
    StartCameras(c.camera, 1, c.quirk);
    if (HasFatalFailure()) return;
    const std::string ip = CameraIp(c.camera);

    const ProgramText media = Cli({"onvif", "media", "--ip", ip, "--user", kUser});
    ASSERT_EQ(media.status, 0) << media.out << media.err;
    EXPECT_EQ(JsonText(media.out, "media"), c.media) << media.out;
    EXPECT_EQ(JsonText(media.out, "media_xaddr").rfind("http://" + ip + "/onvif/media", 0), 0u) << media.out;
    EXPECT_EQ(JsonText(media.out, "snapshot_uri"), "http://" + ip + "/onvif/snapshot/main.jpg") << media.out;
    const std::string named = c.insideAddresses ? "203.0.113.254" : ip;
    EXPECT_EQ(JsonText(media.out, "stream_uri"), "rtsp://" + named + ":554/stream/main") << media.out;
    if (c.insideAddresses) {
        EXPECT_NE(media.err.find("the camera names 203.0.113.254; it answered from " + ip), std::string::npos)
            << media.err;
    }
    for (const char* password : {kPassword, "s3cret%20pass"})
        EXPECT_EQ((media.out + media.err).find(password), std::string::npos) << "no address hands out the password";
    EXPECT_NE(media.out.find("\"width\": 1920, \"height\": 1080, \"fps\": 25"), std::string::npos) << media.out;

    const std::string picture = files.File("picture.jpg");
    const ProgramText snapshot = Cli({"onvif", "snapshot", "--ip", ip, "--user", kUser, "--output", picture});
    ASSERT_EQ(snapshot.status, 0) << snapshot.err;
    const std::string bytes = ReadWholeFile(picture);
    EXPECT_EQ(snapshot.out, picture + ": " + std::to_string(bytes.size()) + " bytes, image/jpeg\n");
    EXPECT_EQ(bytes.rfind("\xFF\xD8\xFF", 0), 0u);

    // The window's way to the same picture.
    const std::unique_ptr<OnvifCameraAccess> access = MakeOnvifDeviceAccess();
    const CameraPicture shown =
        FetchCameraPicture(*access, "http://" + ip + "/onvif/device_service", OnvifCredentials{kUser, kPassword}, {});
    EXPECT_EQ(shown.state, PictureState::Shown) << shown.text;
    EXPECT_EQ(shown.bytes, bytes);
}

INSTANTIATE_TEST_SUITE_P(, MediaQuirk,
                         // Camera 2 serves at port 8080: the cases name cameras at port 80.
                         testing::Values(MediaQuirkCase{"", 0, "media2", false},
                                         MediaQuirkCase{"octet-stream-snapshot", 1, "media2", false},
                                         MediaQuirkCase{"inside-address", 10, "media2", true},
                                         MediaQuirkCase{"stream-user-info", 3, "media2", false},
                                         MediaQuirkCase{"no-media2", 4, "media", false},
                                         // GetServices unknown to its web server: GetCapabilities names Media.
                                         MediaQuirkCase{"soap11", 5, "media", false}),
                         [](const testing::TestParamInfo<MediaQuirkCase>& p) {
                             std::string name = *p.param.quirk == '\0' ? "ByTheBook" : p.param.quirk;
                             std::erase(name, '-');
                             return name;
                         });

// Each camera its own picture, and only for its password: a camera that
// lets anyone read its profiles still guards its snapshot by Digest.
TEST_F(MediaLan, PicturesAreEachCamerasOwnAndBehindItsPassword) {
    StartCameras(6, 2, "open-reads");
    if (HasFatalFailure()) return;
    std::vector<std::string> pictures;
    for (const int camera : {6, 7}) {
        const std::string path = files.File("camera" + std::to_string(camera) + ".jpg");
        const ProgramText run = Cli({"onvif", "snapshot", "--ip", CameraIp(camera), "--user", kUser, "--output", path});
        ASSERT_EQ(run.status, 0) << run.err;
        pictures.push_back(ReadWholeFile(path));
    }
    EXPECT_NE(pictures[0], pictures[1]);

    const std::string other = files.File("sub.jpg");
    const ProgramText sub =
        Cli({"onvif", "snapshot", "--ip", CameraIp(6), "--user", kUser, "--output", other, "--profile", "sub"});
    ASSERT_EQ(sub.status, 0) << sub.err;
    EXPECT_LT(ReadWholeFile(other).size(), pictures[0].size()) << "the sub stream's picture is the smaller one";

    const ProgramText wrong =
        Cli({"onvif", "snapshot", "--ip", CameraIp(6), "--user", kUser, "--output", files.File("no.jpg")}, "wrong");
    EXPECT_EQ(wrong.status, 1) << wrong.err;
    EXPECT_NE(wrong.err.find("refused: wrong password"), std::string::npos) << wrong.err;
    EXPECT_TRUE(ReadWholeFile(files.File("no.jpg")).empty()) << "nothing is written without a picture";

    const ProgramText none = Cli({"onvif", "snapshot", "--ip", CameraIp(6), "--user", kUser, "--output",
                                  files.File("x.jpg"), "--profile", "third"});
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("the camera has no profile third"), std::string::npos) << none.err;
}

TEST_F(MediaLan, ACameraRefusingItsSnapshotAddressStillGivesItsProfiles) {
    StartCameras(8, 1, "", {"--onvif-refuse", "GetSnapshotUri"});
    if (HasFatalFailure()) return;
    const ProgramText media = Cli({"onvif", "media", "--ip", CameraIp(8), "--user", kUser});
    ASSERT_EQ(media.status, 0) << media.err;
    EXPECT_NE(media.out.find("\"snapshot_uri\": null"), std::string::npos) << media.out;
    EXPECT_EQ(JsonText(media.out, "stream_uri"), "rtsp://" + CameraIp(8) + ":554/stream/main");
    EXPECT_NE(media.err.find("note: profile main: snapshot not offered"), std::string::npos) << media.err;
    const ProgramText snapshot =
        Cli({"onvif", "snapshot", "--ip", CameraIp(8), "--user", kUser, "--output", files.File("x.jpg")});
    EXPECT_EQ(snapshot.status, 1);
    EXPECT_NE(snapshot.err.find("the camera offers no snapshot"), std::string::npos) << snapshot.err;
}

// A real player's view of the address: GStreamer serves a stream (Motion
// JPEG) where the camera says its main stream is, and ffprobe reads it.
TEST_F(MediaLan, TheStreamAddressOnvifMediaPrintsIsPlayable) {
    for (const char* program : {"/usr/bin/python3", "/usr/bin/ffprobe"})
        if (::access(program, X_OK) != 0) GTEST_SKIP() << program << " is not installed";
    const std::string ip = CameraIp(9);
    ChildOptions quiet{{}, files.File("rtsp.out"), files.File("rtsp.err")};
    ChildProcess server({"/usr/bin/python3", LANVARO_RTSP_SERVER, ip, "8554", "/live", "60"}, quiet);
    ASSERT_TRUE(server.Started()) << server.Error();
    const std::vector<std::string> ready = WaitForLines(files.File("rtsp.out"), 1, std::chrono::seconds(20));
    ASSERT_EQ(ready, std::vector<std::string>{"ready"}) << ReadWholeFile(files.File("rtsp.err"));

    StartCameras(9, 1, "", {"--onvif-stream-uri", "rtsp://" + ip + ":8554/live"});
    if (HasFatalFailure()) return;
    const ProgramText media = Cli({"onvif", "media", "--ip", ip, "--user", kUser});
    ASSERT_EQ(media.status, 0) << media.err;
    const std::string stream = JsonText(media.out, "stream_uri");
    ASSERT_EQ(stream, "rtsp://" + ip + ":8554/live") << media.out;

    const ProgramText probe =
        RunForText({"/usr/bin/ffprobe", "-v", "error", "-rtsp_transport", "tcp", "-show_entries",
                    "stream=codec_type,codec_name,width,height", "-of", "default=noprint_wrappers=1", stream},
                   files.File("probe.out"), files.File("probe.err"), {}, std::chrono::seconds(30));
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_NE(probe.out.find("codec_name=mjpeg"), std::string::npos) << probe.out << probe.err;
    EXPECT_NE(probe.out.find("codec_type=video"), std::string::npos) << probe.out;
    EXPECT_NE(probe.out.find("width=320"), std::string::npos) << probe.out;
}

}  // namespace
