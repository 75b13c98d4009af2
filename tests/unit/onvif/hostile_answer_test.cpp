// SPDX-License-Identifier: GPL-3.0-or-later
// What a hostile or merely foreign host on the WS-Discovery group can make of
// a search: the bounds on what its datagrams keep, the answers that are no
// ONVIF device of this search, and libxml2's messages kept off stderr.

#include <stdio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "onvif/discovery_message.h"
#include "onvif/onvif_answer_filter.h"
#include "onvif/probe_message.h"
#include "onvif/xml_reader.h"
#include "tests/support/data_files.h"

namespace {

const std::filesystem::path kDir = std::filesystem::path(LANVARO_TEST_DATA) / "onvif";

// Everything written to fd 2 while it lives, libxml2's own writes included.
class CapturedStderr {
public:
    CapturedStderr() : file_(std::tmpfile()), saved_(::dup(STDERR_FILENO)) {
        std::fflush(stderr);
        ::dup2(::fileno(file_), STDERR_FILENO);
    }
    ~CapturedStderr() {
        Restore();
        std::fclose(file_);
    }
    std::string Text() {
        Restore();
        std::string text;
        std::rewind(file_);
        for (int c; (c = std::fgetc(file_)) != EOF;) text.push_back(static_cast<char>(c));
        return text;
    }

private:
    void Restore() {
        if (saved_ < 0) return;
        std::fflush(stderr);
        ::dup2(saved_, STDERR_FILENO);
        ::close(saved_);
        saved_ = -1;
    }
    FILE* file_;
    int saved_;
};

TEST(HostileAnswer, ParserMessagesGoToTheResultNeverToStderr) {
    const std::string datagram = ReadDataFile(kDir / "false_encoding.xml");
    ASSERT_FALSE(datagram.empty());
    CapturedStderr captured;
    const DiscoveryMessage message = ParseDiscoveryMessage(datagram);
    const bool probe = ParseProbe(datagram).has_value();
    EXPECT_EQ(captured.Text(), "");
    EXPECT_EQ(message.kind, DiscoveryKind::Malformed);
    EXPECT_NE(message.detail.find("not well-formed XML ("), std::string::npos) << message.detail;
    EXPECT_FALSE(probe);
}

TEST(HostileAnswer, OneDatagramKeepsAtMostAMebibyteOfText) {
    // 350 matches, each naming 64 types of 1 KiB through a long
    // default namespace: 22 MiB if every match were read.
    const std::string ns = "http://long.example/" + std::string(980, 'n');
    std::string types;
    for (int i = 0; i < 64; ++i) types += "t ";
    std::string datagram =
        "<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\">"
        "<s:Body><d:ProbeMatches xmlns:d=\"http://schemas.xmlsoap.org/ws/2005/04/discovery\" xmlns=\"" +
        ns + "\">";
    for (int i = 0; i < 350; ++i) datagram += "<d:ProbeMatch><d:Types>" + types + "</d:Types></d:ProbeMatch>";
    datagram += "</d:ProbeMatches></s:Body></s:Envelope>";
    ASSERT_LT(datagram.size(), 65536u);

    const DiscoveryMessage message = ParseDiscoveryMessage(datagram);
    ASSERT_EQ(message.kind, DiscoveryKind::ProbeMatches);
    std::size_t kept = 0;
    for (const DiscoveryEntry& entry : message.entries) {
        EXPECT_EQ(entry.device.types.size(), 64u);
        kept += OnvifTextBytes(entry.device);
    }
    EXPECT_GT(message.entriesNotRead, 0);
    EXPECT_EQ(static_cast<int>(message.entries.size()) + message.entriesNotRead, 350);
    EXPECT_LE(kept, kMaxDatagramTextBytes + 64 * kMaxXmlItemBytes);
}

struct ArrivalCase {
    const char* name;
    DiscoveryKind kind;
    const char* relatesTo;
    bool answersOwnProbe;
    bool toProbingSocket;
    bool statesTypes;
    std::vector<std::string> types;
    bool listed;
};

const std::string kNvt = "{http://www.onvif.org/ver10/network/wsdl}NetworkVideoTransmitter";
const std::string kDevice = "{http://www.onvif.org/ver10/device/wsdl}Device";

// The computer, foreign and sender cases of tests/data/onvif read their
// RelatesTo and Types; these are the arrivals a file cannot show.
class AnswerArrivalTest : public ::testing::TestWithParam<ArrivalCase> {};

TEST_P(AnswerArrivalTest, ListsOnlyOnvifDevicesOfThisSearch) {
    const ArrivalCase& c = GetParam();
    DiscoveryMessage message;
    message.kind = c.kind;
    message.relatesTo = c.relatesTo;
    DiscoveryEntry entry;
    entry.statesTypes = c.statesTypes;
    entry.device.types = c.types;
    EXPECT_EQ(IsOnvifDeviceAnswer(message, entry, {c.answersOwnProbe, c.toProbingSocket}), c.listed);
}

const ArrivalCase kArrivals[] = {
    {"HelloOfACamera", DiscoveryKind::Hello, "", false, false, true, {kDevice}, true},
    {"HelloWithoutTypes", DiscoveryKind::Hello, "", false, true, false, {}, false},
    {"MatchOfOwnProbe", DiscoveryKind::ProbeMatches, "urn:uuid:own", true, true, true, {kNvt}, true},
    {"MatchOfOwnProbeWithoutTypes", DiscoveryKind::ProbeMatches, "urn:uuid:own", true, true, false, {}, true},
    {"MatchWhoseTypesWereAllDropped", DiscoveryKind::ProbeMatches, "urn:uuid:own", true, true, true, {}, false},
    {"MatchWithoutRelatesToOnAProbingSocket", DiscoveryKind::ProbeMatches, "", false, true, true, {kNvt}, true},
    {"MatchWithoutRelatesToOnTheGroupPort", DiscoveryKind::ProbeMatches, "", false, false, true, {kNvt}, false},
    {"Bye", DiscoveryKind::Other, "", false, true, true, {kNvt}, false},
};

INSTANTIATE_TEST_SUITE_P(Cases, AnswerArrivalTest, ::testing::ValuesIn(kArrivals),
                         [](const ::testing::TestParamInfo<ArrivalCase>& param) { return param.param.name; });

}  // namespace
