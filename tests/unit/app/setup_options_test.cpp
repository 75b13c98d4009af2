// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/setup_options.h"

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"

namespace {

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    std::string error;  // empty: accepted
};

class SetupUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(SetupUsage, AcceptsOnlyWhatNamesOneDeviceAndOneCompleteSetting) {
    EXPECT_EQ(ParseSetupOptions(GetParam().args).error, GetParam().error);
}

const std::vector<std::string> kStaticArgs{"--mac",        "m",         "--static",    "--ip",
                                           "198.51.100.7", "--netmask", "255.255.0.0", "--gateway",
                                           "198.51.100.1", "--dns",     "198.51.100.2"};

std::vector<std::string> Without(std::vector<std::string> args, const std::string& option) {
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == option) args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
    }
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    , SetupUsage,
    testing::Values(
        UsageCase{"Dhcp", {"--mac", "m", "--dhcp"}, ""}, UsageCase{"Static", kStaticArgs, ""},
        UsageCase{"DhcpWithAnEditedAddress", {"--dhcp", "--mac", "m", "--ip", "198.51.100.9"}, ""},
        UsageCase{"NoMac", {"--dhcp"}, "--mac is required"},
        UsageCase{"EmptyMac", {"--mac", "", "--dhcp"}, "--mac is required"},
        UsageCase{"MacWithoutValue", {"--dhcp", "--mac"}, "--mac needs a value"},
        UsageCase{"NoType", {"--mac", "m"}, "give one of --dhcp and --static"},
        UsageCase{"BothTypes", {"--mac", "m", "--dhcp", "--static"}, "give one of --dhcp and --static"},
        UsageCase{"StaticWithoutDns", Without(kStaticArgs, "--dns"), "--static needs --dns"},
        UsageCase{"StaticWithoutIp", Without(kStaticArgs, "--ip"), "--static needs --ip"},
        UsageCase{"AddressTwice", {"--mac", "m", "--dhcp", "--ip", "1.2.3.4", "--ip", "1.2.3.5"}, "--ip given twice"},
        UsageCase{"Unknown", {"--mac", "m", "--dhcp", "--torvo"}, "unknown argument --torvo"},
        UsageCase{"FlagGivenAValue", {"--mac", "m", "--dhcp", "--force=0"}, "unknown argument --force=0"}),
    [](const testing::TestParamInfo<UsageCase>& param) { return std::string(param.param.name); });

TEST(ApplySetupOptions, ReplacesOnlyTheGivenAddressesOfTheDevice) {
    const tComUnitInfo device = MakeRecord({"IPCAM", "P1", "Door", "198.51.100.5", "80", "255.255.255.0",
                                            "198.51.100.1", "198.51.100.2", "00:11:22:33:44:55", "eth0", "x"});
    ParsedSetupOptions parsed = ParseSetupOptions({"--mac", "00:11:22:33:44:55", "--dhcp", "--dns", "9.9.9.9"});
    ASSERT_EQ(parsed.error, "");
    const tComUnitInfo rec = MakeControlRecord(ApplySetupOptions(device, parsed.options));
    EXPECT_EQ(ComUnitFieldText(rec.ip), "198.51.100.5");
    EXPECT_EQ(ComUnitFieldText(rec.dns), "9.9.9.9");
    EXPECT_EQ(ComUnitFieldText(rec.dev), "eth0");
    EXPECT_EQ(ComUnitFieldText(rec.note), "dhcp");

    parsed = ParseSetupOptions(kStaticArgs);
    ASSERT_EQ(parsed.error, "");
    const ControlRequest request = ApplySetupOptions(device, parsed.options);
    EXPECT_EQ(request.type, NetworkType::Static);
    EXPECT_EQ(request.ip, "198.51.100.7");
    EXPECT_EQ(request.netmask, "255.255.0.0");
    EXPECT_EQ(request.model, "IPCAM");
}

}  // namespace
