// Known answers: each tests/data/onvif/NAME.xml is one datagram, NAME.expected
// what it reads as, devices and their rows included.

#include "onvif/discovery_message.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "onvif/onvif_rows.h"

namespace {

const std::filesystem::path kDir = std::filesystem::path(LANVARO_TEST_DATA) / "onvif";

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

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
    for (const OnvifDeviceInfo& d : message.devices) {
        text += "endpoint: " + d.endpoint + "\n";
        for (const auto& t : d.types) text += "type: " + t + "\n";
        for (const auto& s : d.scopes) text += "scope: " + s + "\n";
        for (const auto& x : d.xaddrs) text += "xaddr: " + x + "\n";
        text += "version: " + d.metadataVersion + "\n";
        std::string problem;
        const auto rec = OnvifDeviceRecord(d, problem);
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
    return text;
}

std::vector<std::string> Cases() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(kDir))
        if (entry.path().extension() == ".xml") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class KnownDiscoveryAnswer : public ::testing::TestWithParam<std::string> {};

TEST_P(KnownDiscoveryAnswer, ReadsAsExpected) {
    const std::string datagram = ReadAll(kDir / (GetParam() + ".xml"));
    ASSERT_FALSE(datagram.empty());
    EXPECT_EQ(Describe(ParseDiscoveryMessage(datagram)), ReadAll(kDir / (GetParam() + ".expected")));
}

INSTANTIATE_TEST_SUITE_P(Files, KnownDiscoveryAnswer, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<std::string>& param) { return param.param; });

TEST(DiscoveryRow, LongNamesAreCutWithoutSplittingACharacter) {
    OnvifDeviceInfo device;
    device.endpoint = "urn:uuid:x";
    // 30 ASCII bytes, then a two-byte "é": the field holds 31 bytes.
    device.scopes = {"onvif://www.onvif.org/name/" + std::string(30, 'a') + "%C3%A9"};
    device.xaddrs = {"http://10.0.0.1/"};
    std::string problem;
    const auto rec = OnvifDeviceRecord(device, problem);
    ASSERT_TRUE(rec);
    EXPECT_EQ(ComUnitFieldText(rec->name), std::string(30, 'a'));
}

}  // namespace
