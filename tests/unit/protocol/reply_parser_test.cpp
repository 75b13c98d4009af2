// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/reply_parser.h"

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "protocol/device_index.h"
#include "protocol/plain_package.h"
#include "tests/support/fake_window.h"

namespace {

const std::string kReply =
    "Kestrova,01,M1,P1,N1,198.51.100.5,80,255.255.255.0,198.51.100.1,198.51.100.1,00:11:22:33:44:55,dv1,nt1";
const std::vector<std::string> kRow{"M1", "P1", "N1", "198.51.100.5", "80", "255.255.255.0", "00:11:22:33:44:55"};

std::vector<std::string> Fields(const tComUnitInfo& rec) {
    std::vector<std::string> out;
    for (int i = 0; i < kComUnitFieldCount; ++i)
        out.push_back(ComUnitFieldText(ComUnitField(rec, i), ComUnitFieldWidth(i)));
    return out;
}

// Packages joined with their NULs, plus the zero byte the receive buffer
// always has behind them.
std::string Joined(const std::vector<std::string>& packages) {
    std::string buf;
    for (const auto& p : packages) buf += p + '\0';
    return buf + '\0';
}

class ReplyParserTest : public ::testing::Test {
protected:
    void SetUp() override { form.SetRowCount(1); }

    int Parse(const std::string& buf) {
        return ParserPlainPkg(form, list, nextRow, buf.data(), static_cast<int>(buf.size()));
    }

    int Split(const std::string& text) {
        rec = tComUnitInfo{};
        return SplitPlainPkg(form, text.c_str(), &rec);
    }

    FakeWindow form;
    TComUnitList list;
    int nextRow = 1;
    tComUnitInfo rec{};
};

TEST_F(ReplyParserTest, DeviceAnswerBecomesRecordAndRow) {
    EXPECT_EQ(Parse(Joined({kReply})), 1);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(Fields(list[0]),
              (std::vector<std::string>{"M1", "P1", "N1", "198.51.100.5", "80", "255.255.255.0", "198.51.100.1",
                                        "198.51.100.1", "00:11:22:33:44:55", "dv1", "nt1"}));
    EXPECT_EQ(nextRow, 2);
    EXPECT_EQ(form.RowCount(), 2);
    EXPECT_EQ(form.DataRows(), std::vector<std::vector<std::string>>{kRow});
    EXPECT_TRUE(form.log.empty());
}

TEST_F(ReplyParserTest, DevicesAreKnownByIpAndMacAcrossAnswers) {
    ASSERT_EQ(Parse(Joined({kReply})), 1);
    EXPECT_EQ(Parse(Joined({kReply})), 0) << "the same device in a later datagram";
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(nextRow, 2);

    std::string otherMac = kReply;
    otherMac.replace(otherMac.find(":55"), 3, ":56");
    std::string otherIp = kReply;
    otherIp.replace(otherIp.find("198.51.100.5"), 12, "198.51.100.9");
    std::string macCase = kReply;
    macCase.replace(macCase.find("00:11"), 5, "00:1A");
    std::string macCaseLower = macCase;
    macCaseLower.replace(macCaseLower.find("00:1A"), 5, "00:1a");
    EXPECT_EQ(Parse(Joined({otherMac, otherIp, macCase, macCaseLower})), 4) << "comparison is byte for byte";
    EXPECT_EQ(nextRow, 6);

    // A relay's answer: many packages in one buffer, known devices and
    // repeats among them.
    std::vector<std::string> relay{kReply, otherIp};
    for (int i = 0; i < 50; ++i) {
        std::string device = kReply;
        device.replace(device.find("198.51.100.5"), 12, "203.0.113." + std::to_string(i));
        relay.push_back(device);
        relay.push_back(device);
    }
    relay.push_back(macCase);
    EXPECT_EQ(Parse(Joined(relay)), 50);
    EXPECT_EQ(list.size(), 55u);
}

TEST_F(ReplyParserTest, ProjectFilterHidesRowsButKeepsRecords) {
    form.proj = "P2";
    EXPECT_EQ(Parse(Joined({kReply})), 1);
    EXPECT_EQ(list.size(), 1u);
    EXPECT_EQ(nextRow, 1);
    EXPECT_TRUE(form.DataRows().empty());

    // Read at each package: a changed filter applies from the next one on.
    form.proj = "P1";
    std::string second = kReply;
    second.replace(second.find("198.51.100.5"), 12, "198.51.100.6");
    EXPECT_EQ(Parse(Joined({second})), 1);
    EXPECT_EQ(nextRow, 2);
    ASSERT_EQ(form.DataRows().size(), 1u);
    EXPECT_EQ(form.DataRows()[0][kColIp], "198.51.100.6");
}

TEST_F(ReplyParserTest, CheckProjFilterIsExactUnlessAll) {
    struct Case {
        const char* filter;
        const char* proj;
        int expected;
    };
    const Case cases[] = {
        {"ALL", "anything", 0}, {"ALL", "", 0},    {"P1", "P1", 0},    {"P1", "p1", -1}, {"P1", "P1 ", -1},
        {"all", "P1", -1},      {"all", "all", 0}, {"ALL ", "P1", -1}, {"", "", 0},      {"", "P1", -1},
    };
    for (const Case& c : cases) {
        form.proj = c.filter;
        EXPECT_EQ(CheckProjFilter(form, c.proj), c.expected) << "filter '" << c.filter << "' proj '" << c.proj << "'";
    }
}

TEST_F(ReplyParserTest, Ipv4TextsAreThoseInetAddrTakes) {
    for (const char* ok : {"198.51.100.5", "0xc6.51.100.5", "0306.51.100.1", "127.1", "127.1.2", "3325256705",
                           "0.0.0.0", "255.255.255.254"}) {
        EXPECT_TRUE(IsAcceptedIpv4Text(ok)) << ok;
    }
    for (const char* bad :
         {"255.255.255.255", "0xffffffff", "", " ", "198.51.100.256", "09.1.1.1", "1.2.3.4.5", "host", "-1", "1..2"}) {
        EXPECT_FALSE(IsAcceptedIpv4Text(bad)) << bad;
    }
    EXPECT_FALSE(IsAcceptedIpv4Text(nullptr));
}

TEST_F(ReplyParserTest, SplitResultFollowsTheFlag) {
    EXPECT_EQ(Split("Kestrova,00,????"), 0);
    EXPECT_EQ(Split("Kestrova,01,M1"), 1);
    EXPECT_EQ(Split("Kestrova, +1x,M1"), 1) << "flag read like atoi";
    EXPECT_EQ(Split("Kestrova,x,M1"), 0) << "no digits read as 0";
    EXPECT_EQ(Split("Kestrova;01,M1"), 1) << "the character after the token is not checked";
    EXPECT_TRUE(form.log.empty());

    EXPECT_EQ(Split("Kestrova,05,M5,P5"), -1);
    EXPECT_EQ(std::string(rec.model), "M5") << "fields are filled whatever the flag";
    EXPECT_EQ(std::string(rec.proj), "P5");
    EXPECT_EQ(form.log, std::vector<std::string>{"flag(05) not implemented."});
}

TEST_F(ReplyParserTest, TextWithoutAFlagTokenIsFlagMinusOne) {
    for (const char* text : {"Kestrova", "Kestrova,", "Kestrova,\n\n"}) {
        form.log.clear();
        EXPECT_EQ(Split(text), -1) << text;
        EXPECT_EQ(form.log, std::vector<std::string>{"flag(-1) not implemented."}) << text;
    }
    // Not the protocol token: dropped without a word.
    form.log.clear();
    for (const char* text : {"", "Kestrov", "kestrova,01,M1", "KESTROVA,01,M1", "Kestrel,01,M1"}) {
        EXPECT_EQ(Split(text), -1) << text;
    }
    EXPECT_TRUE(form.log.empty());
}

TEST_F(ReplyParserTest, RejectedTokenLeavesItsPositionToTheNextToken) {
    ASSERT_EQ(
        Split("Kestrova,01,M,P,N,bad,198.51.100.5,-1,65536,8080,255.255.255.255,255.0.0.0,g,d,00-11,1:2:3:4:5:6,v,n"),
        1);
    EXPECT_EQ(Fields(rec), (std::vector<std::string>{"M", "P", "N", "198.51.100.5", "8080", "255.0.0.0", "g", "d",
                                                     "1:2:3:4:5:6", "v", "n"}));
}

TEST_F(ReplyParserTest, PortIsReadLikeAtoiWithinZeroTo65535) {
    const std::pair<const char*, bool> cases[] = {
        {"0", true},   {"65535", true},  {"80abc", true}, {" 80", true},          {"+80", true},         {"-0", true},
        {"abc", true}, {"65536", false}, {"-1", false},   {"99999999999", false}, {"4294967376", false},
    };
    for (const auto& [port, accepted] : cases) {
        ASSERT_EQ(Split(std::string("Kestrova,01,M,P,N,198.51.100.5,") + port + ",8"), 1);
        if (accepted) {
            EXPECT_EQ(std::string(rec.trigger_port), std::string(port).substr(0, 7)) << port;
        } else {
            EXPECT_EQ(std::string(rec.trigger_port), "8") << port << " must be rejected";
        }
    }
}

TEST_F(ReplyParserTest, OverLongTokensAreCutAndNeverSpillIntoTheNextField) {
    const std::string big(100, 'x');
    const std::string bigMac = "00:11:22:33:44:55" + std::string(90, ':');
    ASSERT_EQ(Split("Kestrova,01," + big + "," + big + "," + big + ",198.51.100.5,80,255.0.0.0," + big + "," + big +
                    "," + bigMac + "," + big + "," + big),
              1);
    for (int i : {0, 1, 2, 6, 7, 9, 10}) {
        EXPECT_EQ(Fields(rec)[static_cast<std::size_t>(i)], std::string(ComUnitFieldWidth(i) - 1, 'x'))
            << "field " << i;
        EXPECT_EQ(ComUnitField(rec, i)[ComUnitFieldWidth(i) - 1], '\0') << "field " << i;
    }
    EXPECT_EQ(std::string(rec.ip), "198.51.100.5");
    EXPECT_EQ(std::string(rec.mac), bigMac.substr(0, 23));
}

TEST_F(ReplyParserTest, PackageLargerThanTheWorkingCopyIsRejected) {
    const std::string head = "Kestrova,01,M1,P1,N1,198.51.100.5,80,255.0.0.0,g,d,00:11:22:33:44:55,dv1,";
    const std::string fits = head + std::string(static_cast<std::size_t>(kWireBufferSize - 1) - head.size(), 'n');
    ASSERT_EQ(Split(fits), 1);
    EXPECT_EQ(std::string(rec.note), std::string(55, 'n'));

    EXPECT_EQ(Split(fits + "n"), -1);
    EXPECT_EQ(std::string(rec.model), "") << "no record from a rejected package";

    // Short on the wire, but too long once every empty field is widened.
    const std::string commas = head + std::string(40000, ',');
    EXPECT_EQ(Split(commas), -1);
    EXPECT_TRUE(form.log.empty());
}

TEST_F(ReplyParserTest, WalkStopsAtTheFirstEmptyTextAndSkipsOtherPackages) {
    std::string second = kReply;
    second.replace(second.find("198.51.100.5"), 12, "198.51.100.6");
    std::string third = kReply;
    third.replace(third.find("198.51.100.5"), 12, "198.51.100.7");
    const std::string buf = Joined({kReply, "Kestrova,00,????", "garbage", "Kestrova,07,x", second, ""}) + third + '\0';
    EXPECT_EQ(Parse(buf), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(std::string(list[1].ip), "198.51.100.6");
    EXPECT_EQ(form.log, std::vector<std::string>{"flag(07) not implemented."});
}

TEST_F(ReplyParserTest, WalkNeverReadsPastLen) {
    // Exactly sized, no NUL anywhere: AddressSanitizer flags any read beyond.
    const std::vector<char> exact(kReply.begin(), kReply.end());
    EXPECT_EQ(ParserPlainPkg(form, list, nextRow, exact.data(), static_cast<int>(exact.size())), 1);
    EXPECT_EQ(std::string(list.at(0).note), "nt1");

    // len ends the walk before the second package.
    std::string other = kReply;
    other.replace(other.find("198.51.100.5"), 12, "198.51.100.6");
    const std::string two = Joined({other, kReply});
    list.clear();
    EXPECT_EQ(ParserPlainPkg(form, list, nextRow, two.data(), static_cast<int>(other.size() + 1)), 1);
    EXPECT_EQ(list.size(), 1u);

    EXPECT_EQ(ParserPlainPkg(form, list, nextRow, two.data(), 0), 0);
    EXPECT_EQ(ParserPlainPkg(form, list, nextRow, two.data(), -5), 0);
    EXPECT_EQ(ParserPlainPkg(form, list, nextRow, nullptr, 10), 0);
    EXPECT_EQ(list.size(), 1u);
}

TEST_F(ReplyParserTest, RowsContinueFromNextRow) {
    form.SetRowCount(4);
    form.SetCell(kColModel, 3, "earlier");
    nextRow = 4;
    ASSERT_EQ(Parse(Joined({kReply})), 1);
    EXPECT_EQ(nextRow, 5);
    EXPECT_EQ(form.RowCount(), 5);
    EXPECT_EQ(form.Cell(kColModel, 3), "earlier");
    EXPECT_EQ(form.Cell(kColMac, 4), "00:11:22:33:44:55");
}

// A device answer from 198.51.100.<host> with a MAC made of n.
std::string Answer(unsigned n, int host = 7) {
    char mac[24];
    std::snprintf(mac, sizeof mac, "02:00:00:%02X:%02X:%02X", (n >> 16) & 0xFF, (n >> 8) & 0xFF, n & 0xFF);
    return "Kestrova,01,KX-1,P1,cam,198.51.100." + std::to_string(host) +
           ",80,255.255.255.0,198.51.100.1,"
           "198.51.100.1," +
           mac + ",dv,nt";
}

TEST_F(ReplyParserTest, SearchIndexFollowsTheListAsOthersChangeIt) {
    DeviceIndex index;
    auto parse = [&](const std::vector<std::string>& packages) {
        const std::string buf = Joined(packages);
        return ParserPlainPkg(form, list, nextRow, buf.data(), static_cast<int>(buf.size()), nullptr, &index);
    };
    ASSERT_EQ(parse({Answer(1)}), 1);
    EXPECT_EQ(parse({Answer(1), Answer(2)}), 1) << "a device of an earlier datagram";

    // Rows another part of the search appended (UPnP, ONVIF) are known too.
    tComUnitInfo appended{};
    ASSERT_EQ(SplitPlainPkg(form, Answer(3).c_str(), &appended), 1);
    list.push_back(appended);
    EXPECT_EQ(parse({Answer(3)}), 0);

    // A new search empties the list: its devices are new again.
    list.clear();
    EXPECT_EQ(parse({Answer(1)}), 1);
    // A list rebuilt to the same length holds other devices.
    tComUnitInfo other{};
    ASSERT_EQ(SplitPlainPkg(form, Answer(9).c_str(), &other), 1);
    list.assign(1, other);
    EXPECT_EQ(parse({Answer(1)}), 1);
    EXPECT_EQ(parse({Answer(9)}), 0);
    EXPECT_EQ(list.size(), 2u);
}

TEST_F(ReplyParserTest, ListStopsAtItsLimitAndCountsTheAnswersLeftOut) {
    list.resize(kMaxListedDevices - 1);
    for (std::size_t i = 0; i < list.size(); ++i) {
        ASSERT_EQ(SplitPlainPkg(form, Answer(static_cast<unsigned>(i), 20).c_str(), &list[i]), 1);
    }
    DeviceIndex index;
    ReplyCounters seen;
    const std::string buf = Joined({Answer(1), Answer(2), Answer(3), Answer(1), Answer(5, 20)});
    EXPECT_EQ(ParserPlainPkg(form, list, nextRow, buf.data(), static_cast<int>(buf.size()), &seen, &index), 1);
    EXPECT_EQ(list.size(), kMaxListedDevices);
    EXPECT_EQ(nextRow, 2);
    EXPECT_EQ(seen.devices, 1);
    EXPECT_EQ(seen.notListed, 2) << "answers 2 and 3";
    EXPECT_EQ(seen.duplicates, 2) << "answer 1 again, and one listed before";
    EXPECT_EQ(seen.packages, 5);
}

}  // namespace
