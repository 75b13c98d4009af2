// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/http_command.h"

#include <gtest/gtest.h>

namespace {

struct PathCase {
    const char* name;
    std::string proj;
    std::string path;
};
void PrintTo(const PathCase& c, std::ostream* os) { *os << c.name; }

class HttpCommandPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(HttpCommandPathTest, EncodesTheFilterAsOneQueryValue) {
    EXPECT_EQ(HttpCommandPath(GetParam().proj), GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Filters, HttpCommandPathTest,
    testing::Values(PathCase{"All", "ALL", "/device.get?DeviceType=ALL"},
                    PathCase{"CaseKept", "All", "/device.get?DeviceType=All"},
                    PathCase{"Empty", "", "/device.get?DeviceType="},
                    PathCase{"Unreserved", "A-z_0.9~", "/device.get?DeviceType=A-z_0.9~"},
                    PathCase{"BlankAndDelimiters", "a b&c#d%e", "/device.get?DeviceType=a%20b%26c%23d%25e"},
                    PathCase{"ExtraParameterAttempt", "X&DeviceType=Y", "/device.get?DeviceType=X%26DeviceType%3DY"},
                    PathCase{"PathAndQueryCharacters", "/?+", "/device.get?DeviceType=%2F%3F%2B"},
                    PathCase{"ControlAndHighBytes", std::string("\x01\r\n") + "\xC3\xA9",
                             "/device.get?DeviceType=%01%0D%0A%C3%A9"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_P(HttpCommandPathTest, IsReadBackByTheRelayAsTheFilterItCarries) {
    const std::optional<std::string> filter = HttpCommandFilter(GetParam().path);
    ASSERT_TRUE(filter.has_value());
    EXPECT_EQ(*filter, GetParam().proj);
}

TEST(HttpCommandFilter, ReadsTheDeviceTypeOfTheDevicePageOnly) {
    EXPECT_EQ(HttpCommandFilter("/device.get"), "ALL") << "no DeviceType: every device";
    EXPECT_EQ(HttpCommandFilter("/device.get?page=2&DeviceType=NVR&DeviceType=DVR"), "NVR");
    EXPECT_EQ(HttpCommandFilter("/device.get?DeviceType=a+b%2"), "a+b%2") << "a stray '%' stays";
    EXPECT_EQ(HttpCommandFilter("/device.get?XDeviceType=NVR"), "ALL");
    for (const char* other : {"/", "/device.get/", "/Device.get?DeviceType=ALL", "device.get", "/device.gets"})
        EXPECT_FALSE(HttpCommandFilter(other).has_value()) << other;
}

struct HostCase {
    const char* name;
    std::string address;
    bool valid;
};
void PrintTo(const HostCase& c, std::ostream* os) { *os << c.name; }

class RelayHostTest : public testing::TestWithParam<HostCase> {};

TEST_P(RelayHostTest, AcceptsOnlyAHostWithAnOptionalPort) {
    std::string why;
    EXPECT_EQ(IsValidRelayHost(GetParam().address, &why), GetParam().valid) << why;
    // A refusal always says why; an acceptance leaves nothing to say.
    EXPECT_EQ(why.empty(), GetParam().valid);
    EXPECT_EQ(IsValidRelayHost(GetParam().address, nullptr), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, RelayHostTest,
    testing::Values(HostCase{"DottedAddress", "198.51.100.10", true},
                    HostCase{"DottedAddressWithPort", "198.51.100.10:8080", true},
                    HostCase{"HighestPort", "127.0.0.1:65535", true}, HostCase{"HostName", "relay", true},
                    HostCase{"QualifiedNameWithPort", "relay-1.site.example:80", true}, HostCase{"Empty", "", false},
                    HostCase{"PresetItem", "<Customized>", false}, HostCase{"LeadingBlank", " 198.51.100.10", false},
                    HostCase{"TrailingBlank", "198.51.100.10 ", false}, HostCase{"InnerTab", "relay\t1", false},
                    HostCase{"Scheme", "http://198.51.100.10", false}, HostCase{"Path", "198.51.100.10/admin", false},
                    HostCase{"UserInfo", "admin@198.51.100.10", false}, HostCase{"Fragment", "198.51.100.10#x", false},
                    HostCase{"Query", "198.51.100.10?x", false}, HostCase{"Backslash", "198.51.100.10\\x", false},
                    HostCase{"PortZero", "198.51.100.10:0", false},
                    HostCase{"PortTooHigh", "198.51.100.10:65536", false},
                    HostCase{"PortHuge", "198.51.100.10:99999999999999999999999", false},
                    HostCase{"PortEmpty", "198.51.100.10:", false}, HostCase{"PortSigned", "198.51.100.10:+80", false},
                    HostCase{"TwoPorts", "198.51.100.10:80:81", false}, HostCase{"OnlyPort", ":80", false},
                    HostCase{"ThreeNumbers", "198.51.100", false}, HostCase{"FiveNumbers", "1.2.3.4.5", false},
                    HostCase{"NumberAbove255", "198.51.100.256", false},
                    HostCase{"LongNumber", "198.51.100.0010", false}, HostCase{"EmptyLabel", "relay..lan", false},
                    HostCase{"TrailingDot", "relay.", false}, HostCase{"HyphenEdge", "-relay", false},
                    HostCase{"Ipv6Literal", "[::1]", false}, HostCase{"NonAscii", "r\xC3\xA9lay", false}),
    [](const auto& row) { return std::string(row.param.name); });

}  // namespace
