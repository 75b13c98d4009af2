// SPDX-License-Identifier: GPL-3.0-or-later
// lanvaro-cli's onvif arguments and its JSON of a camera's facts.

#include <gtest/gtest.h>

#include "cli/onvif_command.h"
#include "cli/onvif_options.h"

namespace {

struct OnvifUsageCase {
    const char* name;
    std::vector<std::string> args;  // after "setup"
    std::string error;              // empty: accepted
};

// Said without the URL: it holds a password.
const std::string kUserInfoRefused =
    "the camera's URL holds a user name or password: give --user, and the password by --password-file, "
    "LANVARO_ONVIF_PASSWORD or the prompt";

class OnvifSetupUsage : public testing::TestWithParam<OnvifUsageCase> {};

TEST_P(OnvifSetupUsage, AcceptsOneCameraOneUserAndOneCompleteSetting) {
    EXPECT_EQ(ParseOnvifSetupOptions(GetParam().args).error, GetParam().error);
}

const std::vector<std::string> kStatic{
    "--onvif",   "198.51.100.7",    "--user",    "op",           "--static", "--ip",        "198.51.100.8",
    "--netmask", "255.255.255.128", "--gateway", "198.51.100.1", "--dns",    "198.51.100.2"};

std::vector<std::string> With(std::vector<std::string> args, const std::string& option, const std::string& value) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i)
        if (args[i] == option) args[i + 1] = value;
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    , OnvifSetupUsage,
    testing::Values(
        OnvifUsageCase{"Static", kStatic, ""},
        OnvifUsageCase{
            "Dhcp", {"--onvif", "http://198.51.100.7:8080/onvif/device_service", "--user", "op", "--dhcp"}, ""},
        OnvifUsageCase{"NoUser", {"--onvif", "198.51.100.7", "--dhcp"}, "--user is required"},
        OnvifUsageCase{"CameraIsNoAddress",
                       {"--onvif", "camera.example", "--user", "op", "--dhcp"},
                       "not an IPv4 address or http URL: camera.example"},
        OnvifUsageCase{"PasswordInTheUrl",
                       {"--onvif", "http://op:pw@198.51.100.7/onvif/device_service", "--user", "op", "--dhcp"},
                       kUserInfoRefused},
        OnvifUsageCase{"DhcpWithAnAddress",
                       {"--onvif", "198.51.100.7", "--user", "op", "--dhcp", "--ip", "1.2.3.4"},
                       "--ip goes with --static only"},
        OnvifUsageCase{"StaticWithoutDns",
                       {"--onvif", "198.51.100.7", "--user", "op", "--static", "--ip", "198.51.100.8", "--netmask",
                        "255.0.0.0", "--gateway", "198.51.100.1"},
                       "--static needs --ip, --netmask, --gateway and --dns"},
        OnvifUsageCase{"HoleInTheNetmask", With(kStatic, "--netmask", "255.0.255.0"),
                       "Invalid Netmask - [255.0.255.0]"},
        OnvifUsageCase{"MarkupAsGateway", With(kStatic, "--gateway", "1.2.3.4</tt:IPv4Address>"),
                       "Invalid Gateway - [1.2.3.4</tt:IPv4Address>]"},
        OnvifUsageCase{
            "FlagWithAValue", {"--onvif", "198.51.100.7", "--user", "op", "--dhcp=0"}, "--dhcp takes no value"},
        OnvifUsageCase{
            "UserTwice", {"--onvif", "198.51.100.7", "--user", "op", "--user", "x", "--dhcp"}, "--user given twice"},
        OnvifUsageCase{"VerifyTooLong",
                       {"--onvif", "198.51.100.7", "--user", "op", "--dhcp", "--verify", "3601"},
                       "--verify takes a number of seconds from 1 to 3600"}),
    [](const testing::TestParamInfo<OnvifUsageCase>& p) { return std::string(p.param.name); });

TEST(OnvifSetupOptions, TheNetmaskBecomesAPrefixLength) {
    const ParsedOnvifOptions parsed = ParseOnvifSetupOptions(kStatic);
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.options.prefixLength, 25);
    EXPECT_EQ(parsed.options.xaddr, "http://198.51.100.7/onvif/device_service");
}

TEST(OnvifCommandUsage, InfoNamesTheCameraOnceAndSyncTimeNeedsAUser) {
    EXPECT_EQ(ParseOnvifCommandOptions("info", {"--ip", "198.51.100.7"}).error, "");
    EXPECT_EQ(ParseOnvifCommandOptions("info", {"--ip", "198.51.100.7", "--xaddr", "http://x/"}).error,
              "give one of --ip and --xaddr");
    EXPECT_EQ(ParseOnvifCommandOptions("info", {"--xaddr", "file:///etc/passwd"}).error,
              "not an IPv4 address or http URL: file:///etc/passwd");
    EXPECT_EQ(ParseOnvifCommandOptions("info", {"--ip", "198.51.100.7", "--force"}).error, "unknown argument --force");
    EXPECT_EQ(ParseOnvifCommandOptions("sync-time", {"--ip", "198.51.100.7"}).error, "--user is required");
    // A password is never taken from the command line.
    EXPECT_EQ(ParseOnvifCommandOptions("info", {"--ip", "198.51.100.7", "--password", "pw"}).error,
              "unknown argument --password");
    EXPECT_EQ(ParseOnvifCommandOptions(
                  "info", {"--xaddr", "http://admin:pw@198.51.100.7:8080/onvif/device_service", "--user", "admin"})
                  .error,
              kUserInfoRefused);
}

// What a camera calls itself reaches a terminal or a script as inert text.
TEST(OnvifFactsJson, CameraTextStaysInsideItsStrings) {
    OnvifDeviceFacts facts;
    facts.xaddr = "http://198.51.100.7/onvif/device_service";
    facts.auth = OnvifAuthMethod::HttpDigest;
    facts.clockOffsetSeconds = -10800.04;
    facts.ntp = true;
    facts.daylightSavings = true;
    facts.timeZone = "<+01>-1\"";
    facts.hostname = "cam\"\n\x1b[31m";
    facts.manufacturer = "Quellwerk";
    facts.interfaces = {{"eth0", true, "02:00:00:00:00:01", true, "198.51.100.7", 24}};
    facts.dns = {"198.51.100.53"};
    EXPECT_EQ(OnvifFactsJson(facts),
              "{\"xaddr\": \"http://198.51.100.7/onvif/device_service\", \"auth\": \"http-digest\", "
              "\"clock_offset_seconds\": -10800.0, \"ntp\": true, \"daylight_savings\": true, "
              "\"time_zone\": \"<+01>-1\\\"\", \"hostname\": \"cam\\\"\\n\\u001b[31m\", "
              "\"manufacturer\": \"Quellwerk\", \"model\": \"\", \"firmware\": \"\", \"serial\": \"\", "
              "\"hardware_id\": \"\", \"interfaces\": [{\"token\": \"eth0\", \"mac\": \"02:00:00:00:00:01\", "
              "\"dhcp\": true, \"address\": \"198.51.100.7\", \"prefix_length\": 24}], \"gateway\": [], "
              "\"dns\": [\"198.51.100.53\"]}");
}

}  // namespace
