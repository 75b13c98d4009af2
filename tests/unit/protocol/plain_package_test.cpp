// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/plain_package.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/package_codec.h"
#include "protocol/reply_parser.h"
#include "tests/support/fake_window.h"

namespace {

const std::vector<std::string> kFields{
    "M1",  "P1",  "N1", "198.51.100.5", "80", "255.255.255.0", "198.51.100.1", "8.8.8.8", "00:11:22:33:44:55",
    "dv1", "DHCP"};

// What a device does with the wire text: decode, invert, read the package.
std::string PlainFromWire(const char* wire) {
    std::vector<unsigned char> bytes(kWireBufferSize, 0);
    const int n = Base64Decode(bytes.data(), bytes.size(), wire);
    InvertBytes(bytes.data(), n);
    EXPECT_GT(n, 0);
    EXPECT_EQ(bytes[static_cast<std::size_t>(n - 1)], '\0') << "the package's NUL travels too";
    return std::string(reinterpret_cast<const char*>(bytes.data()));
}

class MakePlainPkgTest : public ::testing::Test {
protected:
    FakeWindow form;
    std::vector<char> out = std::vector<char>(kWireBufferSize, '\0');
};

TEST_F(MakePlainPkgTest, QueriesAreSeventeenBytesAndNotLogged) {
    ASSERT_EQ(MakePlainPkg(form, 0, out.data(), nullptr), 0);
    const std::string wire = out.data();
    EXPECT_EQ(wire.size(), 24u);
    EXPECT_EQ(wire.back(), '=');
    EXPECT_NE(wire[22], '=');
    EXPECT_EQ(PlainFromWire(out.data()), "Kestrova,00,????");

    ASSERT_EQ(MakePlainPkg(form, 2, out.data(), nullptr), 0);
    EXPECT_EQ(PlainFromWire(out.data()), "Kestrova,02,????");
    EXPECT_TRUE(form.log.empty());
}

TEST_F(MakePlainPkgTest, RecordPackagesCarryElevenFieldsAndAreLogged) {
    const tComUnitInfo rec = MakeRecord(kFields);
    ASSERT_EQ(MakePlainPkg(form, 3, out.data(), &rec), 0);
    const std::string plain = PlainFromWire(out.data());
    EXPECT_EQ(plain,
              "Kestrova,03,M1,P1,N1,198.51.100.5,80,255.255.255.0,198.51.100.1,8.8.8.8,00:11:22:33:44:55,dv1,DHCP");
    ASSERT_EQ(form.log.size(), 1u);
    EXPECT_EQ(form.log[0], "[" + plain + "]");
}

TEST_F(MakePlainPkgTest, FlagsOneAndThreeDifferOnlyInTheirDigits) {
    const tComUnitInfo rec = MakeRecord(kFields);
    ASSERT_EQ(MakePlainPkg(form, 1, out.data(), &rec), 0);
    std::string one = PlainFromWire(out.data());
    ASSERT_EQ(MakePlainPkg(form, 3, out.data(), &rec), 0);
    std::string three = PlainFromWire(out.data());
    ASSERT_EQ(one.substr(0, 12), "Kestrova,01,");
    ASSERT_EQ(three.substr(0, 12), "Kestrova,03,");
    EXPECT_EQ(one.substr(12), three.substr(12));
}

TEST_F(MakePlainPkgTest, EmptyFieldsShowAsAdjacentCommas) {
    const tComUnitInfo rec = MakeRecord({"M1", "", "N1", "198.51.100.5"});
    ASSERT_EQ(MakePlainPkg(form, 3, out.data(), &rec), 0);
    EXPECT_EQ(PlainFromWire(out.data()), "Kestrova,03,M1,,N1,198.51.100.5,,,,,,,");
}

TEST_F(MakePlainPkgTest, AFieldMissingItsNulIsNotOverRead) {
    tComUnitInfo rec = MakeRecord(kFields);
    std::memset(rec.model, 'A', sizeof rec.model);
    std::memset(rec.note, 'Z', sizeof rec.note);  // the record's last bytes
    ASSERT_EQ(MakePlainPkg(form, 1, out.data(), &rec), 0);
    const std::string plain = PlainFromWire(out.data());
    EXPECT_EQ(plain.substr(0, 12 + 33), "Kestrova,01," + std::string(32, 'A') + ",");
    EXPECT_EQ(plain.substr(plain.size() - 57), "," + std::string(56, 'Z'));
}

TEST_F(MakePlainPkgTest, RefusalsLeaveTheOutputUntouched) {
    const tComUnitInfo rec = MakeRecord(kFields);
    std::memset(out.data(), '#', 16);
    struct Case {
        int flag;
        const tComUnitInfo* info;
        const char* line;
    };
    const Case cases[] = {
        {4, &rec, "Undefined flag = 4"},
        {-1, nullptr, "Undefined flag = -1"},
        {1, nullptr, "Invalid pInfo [1]"},
        {3, nullptr, "Invalid pInfo [3]"},
    };
    for (const Case& c : cases) {
        form.log.clear();
        EXPECT_EQ(MakePlainPkg(form, c.flag, out.data(), c.info), -1) << c.line;
        EXPECT_EQ(std::string(out.data(), 16), std::string(16, '#')) << c.line;
        EXPECT_EQ(form.log, std::vector<std::string>{c.line});
    }
}

TEST_F(MakePlainPkgTest, ADeviceAnswerBuiltHereParsesBackIntoTheSameRecord) {
    const tComUnitInfo rec = MakeRecord(kFields);
    ASSERT_EQ(MakePlainPkg(form, 1, out.data(), &rec), 0);
    std::vector<unsigned char> bytes(kWireBufferSize, 0);
    const int n = Base64Decode(bytes.data(), bytes.size() - 1, out.data());
    InvertBytes(bytes.data(), n);

    TComUnitList list;
    int nextRow = 1;
    ASSERT_EQ(ParserPlainPkg(form, list, nextRow, reinterpret_cast<const char*>(bytes.data()), n), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(std::memcmp(&list[0], &rec, sizeof rec), 0);
}

}  // namespace
