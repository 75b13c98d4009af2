// SPDX-License-Identifier: GPL-3.0-or-later
// Known answers: each tests/data/onvif/NAME.xml is one datagram, NAME.expected
// what it reads as, devices and their rows included. Each is taken as an
// answer from kSender that came to a probing socket of a search whose probe
// had the MessageID kOwnProbe.

#include "onvif/discovery_message.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "onvif/onvif_answer_filter.h"
#include "onvif/onvif_device_set.h"
#include "onvif/onvif_rows.h"
#include "tests/support/data_files.h"

namespace {

constexpr const char* kOwnProbe = "urn:uuid:11111111-2222-4333-8444-555555555555";
constexpr const char* kSender = "198.51.100.200";

const std::filesystem::path kDir = std::filesystem::path(LANVARO_TEST_DATA) / "onvif";

const char* KindName(DiscoveryKind kind) {
    switch (kind) {
        case DiscoveryKind::ProbeMatches:
            return "ProbeMatches";
        case DiscoveryKind::Hello:
            return "Hello";
        case DiscoveryKind::Other:
            return "Other";
        case DiscoveryKind::Malformed:
            return "Malformed";
    }
    return "?";
}

std::string Describe(const DiscoveryMessage& message) {
    std::string text = std::string("kind: ") + KindName(message.kind);
    if (message.kind == DiscoveryKind::Other) text += " " + message.detail;
    text += "\n";
    if (!message.relatesTo.empty()) text += "relates-to: " + message.relatesTo + "\n";
    const AnswerArrival arrival{message.relatesTo == kOwnProbe, true};
    for (const DiscoveryEntry& entry : message.entries) {
        const OnvifDeviceInfo& d = entry.device;
        text += "endpoint: " + d.endpoint + "\n";
        for (const auto& t : d.types) text += "type: " + t + "\n";
        for (const auto& s : d.scopes) text += "scope: " + s + "\n";
        for (const auto& x : d.xaddrs) text += "xaddr: " + x + "\n";
        text += "version: " + d.metadataVersion + "\n";
        if (entry.cut) text += "cut: yes\n";
        if (!IsOnvifDeviceAnswer(message, entry, arrival)) {
            text += "listed: no\n";
            continue;
        }
        OnvifDeviceSet set;
        OnvifDeviceInfo heard = d;
        // From 198.51.100.200 where the device names it among others
        // (sender_xaddr), else from its own address, as a camera answers.
        const auto own = FirstIpv4HttpXAddr(d.xaddrs);
        const bool named = std::any_of(d.xaddrs.begin(), d.xaddrs.end(), [](const std::string& x) {
            const auto host = HttpIpv4XAddrHost(x);
            return host && host->ip == kSender;
        });
        heard.answeredFrom = named ? std::string(kSender) + ":3702" : own ? own->ip + ":3702" : "";
        set.Add(std::move(heard));
        std::string problem;
        const auto rec = set.Devices().empty() ? std::nullopt : OnvifDeviceRecord(set.Devices().front(), problem);
        if (!rec) {
            text += "row: none\n";
            continue;
        }
        text += "row: " + ComUnitFieldText(rec->model) + "|" + ComUnitFieldText(rec->proj) + "|" +
                ComUnitFieldText(rec->name) + "|" + ComUnitFieldText(rec->ip) + "|" +
                ComUnitFieldText(rec->trigger_port) + "\n";
        EXPECT_EQ(ComUnitFieldText(rec->netmask), "NULL");
        EXPECT_EQ(ComUnitFieldText(rec->mac), "NULL");
    }
    if (message.entriesNotRead > 0) text += "not read: " + std::to_string(message.entriesNotRead) + "\n";
    return text;
}

class KnownDiscoveryAnswer : public ::testing::TestWithParam<std::string> {};

TEST_P(KnownDiscoveryAnswer, ReadsAsExpected) {
    const std::string datagram = ReadDataFile(kDir / (GetParam() + ".xml"));
    ASSERT_FALSE(datagram.empty());
    EXPECT_EQ(Describe(ParseDiscoveryMessage(datagram)), ReadDataFile(kDir / (GetParam() + ".expected")));
}

INSTANTIATE_TEST_SUITE_P(Files, KnownDiscoveryAnswer, ::testing::ValuesIn(DataFileNames(kDir, ".xml")),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

TEST(DiscoveryRow, LongNamesAreCutWithoutSplittingACharacter) {
    OnvifDeviceInfo device;
    device.endpoint = "urn:uuid:x";
    // 30 ASCII bytes, then a two-byte "é": the field holds 31 bytes.
    device.scopes = {"onvif://www.onvif.org/name/" + std::string(30, 'a') + "%C3%A9"};
    device.xaddr = "http://198.51.100.1/";
    std::string problem;
    const auto rec = OnvifDeviceRecord(device, problem);
    ASSERT_TRUE(rec);
    EXPECT_EQ(ComUnitFieldText(rec->name), std::string(30, 'a'));
}

}  // namespace
