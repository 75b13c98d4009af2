// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/control_package.h"

#include <cstring>

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"

namespace {

struct AddressCase {
    const char* name;
    AddressEdit edit;
    std::string text;
    bool valid;
};

class AddressText : public testing::TestWithParam<AddressCase> {};

TEST_P(AddressText, IsAcceptedOnlyWhenItParsesAndFits) {
    EXPECT_EQ(IsValidAddressText(GetParam().edit, GetParam().text), GetParam().valid);
}

INSTANTIATE_TEST_SUITE_P(, AddressText,
                         testing::Values(AddressCase{"Dotted", AddressEdit::IP, "198.51.100.5", true},
                                         AddressCase{"AllZeros", AddressEdit::DNS, "0.0.0.0", true},
                                         AddressCase{"Empty", AddressEdit::IP, "", false},
                                         AddressCase{"AllOnes", AddressEdit::Netmask, "255.255.255.255", false},
                                         AddressCase{"Words", AddressEdit::Gateway, "gateway", false},
                                         AddressCase{"OctetTooLarge", AddressEdit::IP, "198.51.100.256", false},
                                         // inet_addr stops at a blank; the rest would still travel.
                                         AddressCase{"TrailingText", AddressEdit::IP, "198.51.100.5 x", false},
                                         AddressCase{"LeadingBlank", AddressEdit::IP, " 198.51.100.5", false},
                                         AddressCase{"Comma", AddressEdit::DNS, "198.51.100.5,dhcp", false},
                                         // Parses, but the field would cut it to another address.
                                         AddressCase{"LongerThanField", AddressEdit::IP, "0000000010.0.0.1", false},
                                         AddressCase{"FillsField", AddressEdit::IP, "010.000.000.005", true}),
                         [](const testing::TestParamInfo<AddressCase>& param) {
                             return std::string(param.param.name);
                         });

TEST(UnreasonableGateway, ComparesTheNetworksUnderTheNetmask) {
    EXPECT_TRUE(IsUnreasonableGateway("127.0.0.5", "255.255.255.0", "127.0.1.1"));
    EXPECT_FALSE(IsUnreasonableGateway("127.0.0.5", "255.255.255.0", "127.0.0.1"));
    EXPECT_FALSE(IsUnreasonableGateway("127.0.0.5", "255.255.0.0", "127.0.1.1"));
    // A netmask that does not parse counts as all ones: only the host itself
    // is in its network.
    EXPECT_TRUE(IsUnreasonableGateway("127.0.0.5", "mask", "127.0.0.1"));
    EXPECT_FALSE(IsUnreasonableGateway("127.0.0.5", "mask", "127.0.0.5"));
}

ControlRequest Request(NetworkType type) {
    ControlRequest r;
    r.type = type;
    r.model = "IPCAM";
    r.proj = "P1";
    r.name = "Door";
    r.mac = "00:11:22:33:44:55";
    r.dev = "eth0";
    r.port = "80";
    r.ip = "198.51.100.5";
    r.gateway = "198.51.100.1";
    r.netmask = "255.255.255.0";
    r.dns = "198.51.100.2";
    return r;
}

TEST(FirstRejectedField, StaticAndTorvoNeedFourAddressesDhcpCarriesThem) {
    for (NetworkType type : {NetworkType::Static, NetworkType::Torvo}) {
        ControlRequest r = Request(type);
        EXPECT_FALSE(FirstRejectedField(r).has_value());
        r.dns = "";
        r.netmask = "255.255.255.255";
        // The first from the top of the dialog: Netmask is above DNS.
        EXPECT_EQ(FirstRejectedField(r), RequestField::Netmask);
        r.netmask = "255.255.255.0";
        EXPECT_EQ(FirstRejectedField(r), RequestField::DNS);
    }
    ControlRequest dhcp = Request(NetworkType::Dhcp);
    dhcp.ip = "";
    dhcp.gateway = "anything";
    EXPECT_FALSE(FirstRejectedField(dhcp).has_value());
    // A comma would move every later field of the package one place on.
    dhcp.gateway = "198.51.100.1,static";
    EXPECT_EQ(FirstRejectedField(dhcp), RequestField::Gateway);
    // So would a line end in any other field, and a NUL would cut the package.
    dhcp.port = std::string("80\0", 3);
    EXPECT_EQ(FirstRejectedField(dhcp), RequestField::Gateway);
    dhcp.mac = "00:11:22:33:44:55\r\n";
    EXPECT_EQ(InvalidFieldMessage(*FirstRejectedField(dhcp), dhcp.mac), "Invalid MAC - [00:11:22:33:44:55\r\n]");
    dhcp.gateway = "198.51.100.1";
    dhcp.mac = "00:11:22:33:44:55";
    EXPECT_EQ(FirstRejectedField(dhcp), RequestField::Port);
}

TEST(MakeControlRecord, CarriesTheRequestInRecordFieldsWithTheTypeKeyword) {
    const std::vector<std::pair<NetworkType, std::string>> keywords{
        {NetworkType::Static, "static"}, {NetworkType::Dhcp, "dhcp"}, {NetworkType::Torvo, "torvo"}};
    for (const auto& [type, keyword] : keywords) {
        const tComUnitInfo rec = MakeControlRecord(Request(type));
        const tComUnitInfo expected =
            MakeRecord({"IPCAM", "P1", "Door", "198.51.100.5", "80", "255.255.255.0", "198.51.100.1", "198.51.100.2",
                        "00:11:22:33:44:55", "eth0", keyword});
        EXPECT_EQ(std::memcmp(&rec, &expected, sizeof rec), 0) << keyword;
    }
}

TEST(MakeControlRecord, CutsOverlongTextsToTheirFieldsAndKeepsThemTerminated) {
    ControlRequest r = Request(NetworkType::Dhcp);
    r.name = std::string(100, 'n');
    r.port = "123456789012";
    const tComUnitInfo rec = MakeControlRecord(r);
    EXPECT_EQ(ComUnitFieldText(rec.name), std::string(31, 'n'));
    EXPECT_EQ(ComUnitFieldText(rec.trigger_port), "1234567");
    EXPECT_EQ(ComUnitFieldText(rec.netmask), "255.255.255.0");  // the next field is untouched
}

}  // namespace
