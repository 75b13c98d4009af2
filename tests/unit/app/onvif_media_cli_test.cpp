// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli onvif media and snapshot: their arguments, and the JSON of a
// camera's profiles.

#include <gtest/gtest.h>

#include "cli/onvif_media_command.h"
#include "cli/onvif_options.h"

namespace {

struct MediaUsageCase {
    const char* name;
    const char* command;
    std::vector<std::string> args;
    std::string error;  // empty: accepted
};

class MediaUsage : public testing::TestWithParam<MediaUsageCase> {};

TEST_P(MediaUsage, NeedsAUserAndForASnapshotAFile) {
    EXPECT_EQ(ParseOnvifCommandOptions(GetParam().command, GetParam().args).error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    , MediaUsage,
    testing::Values(
        MediaUsageCase{"Media", "media", {"--ip", "198.51.100.7", "--user", "op"}, ""},
        MediaUsageCase{"MediaWithoutUser", "media", {"--ip", "198.51.100.7"}, "--user is required"},
        MediaUsageCase{"MediaTakesNoOutput",
                       "media",
                       {"--ip", "198.51.100.7", "--user", "op", "--output", "x.jpg"},
                       "unknown argument --output"},
        MediaUsageCase{"Snapshot",
                       "snapshot",
                       {"--ip", "198.51.100.7", "--user", "op", "--output", "x.jpg", "--profile", "sub"},
                       ""},
        MediaUsageCase{
            "SnapshotWithoutFile", "snapshot", {"--ip", "198.51.100.7", "--user", "op"}, "--output FILE is required"},
        MediaUsageCase{"SnapshotWithEmptyProfile",
                       "snapshot",
                       {"--ip", "198.51.100.7", "--user", "op", "--output", "x.jpg", "--profile="},
                       "--profile needs a token"},
        MediaUsageCase{"UnknownCommand", "stream", {"--ip", "198.51.100.7"}, "unknown onvif command stream"}),
    [](const testing::TestParamInfo<MediaUsageCase>& p) { return std::string(p.param.name); });

TEST(SnapshotOptions, AreKept) {
    const ParsedOnvifOptions parsed =
        ParseOnvifCommandOptions("snapshot", {"--xaddr", "http://198.51.100.7:8080/onvif/device_service", "--user",
                                              "op", "--output=a b.jpg", "--profile", "sub"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.output, "a b.jpg");
    EXPECT_EQ(parsed.options.profile, "sub");
}

// Absent values are null, numbers stay numbers whatever the locale, and a
// camera's text stays inside its strings.
TEST(OnvifMediaJson, AbsentValuesAreNullAndCameraTextStaysInert) {
    OnvifMedia media;
    media.xaddr = "http://198.51.100.7/onvif/device_service";
    media.mediaXaddr = "http://198.51.100.7/onvif/media2";
    media.version = OnvifMediaVersion::Media2;
    OnvifMediaProfile main;
    main.token = "main";
    main.name = "Lobby \"main\"\x1b[2J";
    main.encoding = "H265";
    main.width = 2688;
    main.height = 1520;
    main.fps = 12.5;
    main.streamUri = "rtsp://198.51.100.7/stream1";
    main.snapshotUri = "http://198.51.100.7/snap.jpg";
    OnvifMediaProfile audio;
    audio.token = "audio";
    media.profiles = {main, audio};
    EXPECT_EQ(OnvifMediaJson(media),
              "{\"xaddr\": \"http://198.51.100.7/onvif/device_service\", \"media_xaddr\": "
              "\"http://198.51.100.7/onvif/media2\", \"media\": \"media2\", \"profiles\": [{\"token\": \"main\", "
              "\"name\": \"Lobby \\\"main\\\"\\u001b[2J\", \"encoding\": \"H265\", \"width\": 2688, \"height\": 1520, "
              "\"fps\": 12.5, \"stream_uri\": \"rtsp://198.51.100.7/stream1\", \"snapshot_uri\": "
              "\"http://198.51.100.7/snap.jpg\"}, {\"token\": \"audio\", \"name\": \"\", \"encoding\": \"\", "
              "\"width\": 0, \"height\": 0, \"fps\": null, \"stream_uri\": null, \"snapshot_uri\": null}]}");
}

}  // namespace
