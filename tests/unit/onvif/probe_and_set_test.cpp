// SPDX-License-Identifier: GPL-3.0-or-later
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "onvif/onvif_device_set.h"
#include "onvif/onvif_rows.h"
#include "onvif/probe_message.h"

namespace {

TEST(Probe, ReadsBackWithItsTypeAndAFreshMessageId) {
    std::set<std::string> ids;
    for (const char* type : kOnvifProbeTypes) {
        const std::string id = NewMessageId();
        const std::string probe = BuildProbe(id, type);
        const auto read = ParseProbe(probe);
        ASSERT_TRUE(read) << probe;
        EXPECT_EQ(read->messageId, id);
        EXPECT_EQ(read->types, std::vector<std::string>{type});
        EXPECT_NE(probe.find("<a:To s:mustUnderstand=\"1\">urn:schemas-xmlsoap-org:ws:2005:04:discovery</a:To>"),
                  std::string::npos);
        EXPECT_NE(probe.find("http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe<"), std::string::npos);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 2u);
    EXPECT_EQ(ids.begin()->rfind("urn:uuid:", 0), 0u);
    EXPECT_EQ(ids.begin()->size(), 45u);
}

OnvifDeviceInfo Device(const std::string& endpoint, std::vector<std::string> xaddrs, const std::string& from) {
    OnvifDeviceInfo d;
    d.endpoint = endpoint;
    d.xaddrs = std::move(xaddrs);
    d.answeredFrom = from;
    return d;
}

TEST(OnvifDeviceSet, OneDevicePerEndpointFilledFromLaterAnswers) {
    OnvifDeviceSet set;
    // A Hello without XAddrs, then the same device's ProbeMatches.
    EXPECT_EQ(set.Add(Device("urn:uuid:a", {}, "198.51.100.1:3702")), OnvifDeviceSet::AddResult::Added);
    EXPECT_EQ(set.Add(Device("urn:uuid:b", {"http://198.51.100.2/"}, "198.51.100.2:3702")),
              OnvifDeviceSet::AddResult::Added);
    EXPECT_EQ(set.Add(Device("urn:uuid:a", {"http://198.51.100.1/"}, "198.51.100.1:40000")),
              OnvifDeviceSet::AddResult::Merged);
    EXPECT_EQ(set.Add(Device("urn:uuid:b", {"http://203.0.113.99/"}, "203.0.113.99:1")),
              OnvifDeviceSet::AddResult::Merged);
    EXPECT_EQ(set.Add(Device("", {}, "x")), OnvifDeviceSet::AddResult::NoEndpoint);
    ASSERT_EQ(set.Devices().size(), 2u);
    EXPECT_EQ(set.Devices()[0].xaddrs, std::vector<std::string>{"http://198.51.100.1/"});
    EXPECT_EQ(set.Devices()[0].answeredFrom, "198.51.100.1:40000");
    EXPECT_EQ(set.Devices()[1].xaddrs, std::vector<std::string>{"http://198.51.100.2/"}) << "first answer kept";
}

TEST(OnvifDeviceSet, TheRowsXAddrIsOnTheSenderAndAnAnswerFromItCorrectsAStrayOne) {
    OnvifDeviceSet set;
    // An answer from a second card names the XAddrs in its own order.
    set.Add(Device("urn:uuid:two-cards", {"http://203.0.113.5/", "http://198.51.100.5:8080/"}, "198.51.100.5:3702"));
    // A stray first answer: the host it came from is none of its XAddrs'.
    set.Add(Device("urn:uuid:stray", {"http://203.0.113.66/"}, "198.51.100.9:3702"));
    set.Add(Device("urn:uuid:stray", {"http://198.51.100.9/", "http://203.0.113.66/"}, "198.51.100.9:3702"));
    // Once the row's XAddr is on its sender, another host's answer changes nothing.
    set.Add(Device("urn:uuid:two-cards", {"http://203.0.113.5/"}, "203.0.113.77:3702"));
    ASSERT_EQ(set.Devices().size(), 2u);
    EXPECT_EQ(set.Devices()[0].xaddr, "http://198.51.100.5:8080/");
    EXPECT_EQ(set.Devices()[0].answeredFrom, "198.51.100.5:3702");
    EXPECT_EQ(set.Devices()[1].xaddr, "http://198.51.100.9/");
    EXPECT_EQ(set.Devices()[1].xaddrs.front(), "http://198.51.100.9/") << "its own answer replaced the stray one";
    std::string problem;
    const auto rec = OnvifDeviceRecord(set.Devices()[1], problem);
    ASSERT_TRUE(rec) << problem;
    EXPECT_EQ(ComUnitFieldText(rec->ip), "198.51.100.9");
}

struct RowXAddrCase {
    const char* name;
    std::vector<std::string> xaddrs;
    const char* sender;
    const char* row;
};

class RowXAddrTest : public testing::TestWithParam<RowXAddrCase> {};

TEST_P(RowXAddrTest, IsOnTheHostThatAnswered) {
    EXPECT_EQ(RowXAddr(GetParam().xaddrs, GetParam().sender), GetParam().row);
}

INSTANTIATE_TEST_SUITE_P(
    , RowXAddrTest,
    testing::Values(
        RowXAddrCase{"OnTheSender",
                     {"http://203.0.113.5/onvif/device_service", "http://198.51.100.9:8080/onvif/device_service"},
                     "198.51.100.9",
                     "http://198.51.100.9:8080/onvif/device_service"},
        RowXAddrCase{"BehindNat",
                     {"http://203.0.113.5/onvif/device_service"},
                     "198.51.100.9",
                     "http://198.51.100.9/onvif/device_service"},
        RowXAddrCase{"PortAndPathOfAnIpv6One",
                     {"http://[fe80::1]:8080/dev?x=1", "https://198.51.100.7/"},
                     "198.51.100.9",
                     "http://198.51.100.9:8080/dev?x=1"},
        RowXAddrCase{
            "LoopbackOnlyFromLoopback", {"http://127.0.0.1:81/onvif"}, "198.51.100.9", "http://198.51.100.9:81/onvif"},
        RowXAddrCase{"LoopbackFromLoopback", {"http://127.77.0.10/onvif"}, "127.0.0.1", "http://127.77.0.10/onvif"},
        RowXAddrCase{"NoHttpXAddr", {"https://198.51.100.9/onvif"}, "198.51.100.9", ""},
        RowXAddrCase{"SenderUnknown", {"http://cam.example/", "http://203.0.113.5/"}, "", "http://203.0.113.5/"}),
    [](const testing::TestParamInfo<RowXAddrCase>& p) { return std::string(p.param.name); });

TEST(OnvifDeviceSet, KeepsAtMost16MiBOfText) {
    OnvifDeviceSet set;
    const std::vector<std::string> scopes(64, std::string(1024, 's'));
    int added = 0;
    for (int i = 0; i < 1000; ++i) {
        OnvifDeviceInfo device = Device("urn:uuid:" + std::to_string(i), {}, "");
        device.scopes = scopes;
        if (set.Add(std::move(device)) == OnvifDeviceSet::AddResult::Added) ++added;
    }
    EXPECT_EQ(added, 255);
    EXPECT_LE(set.TextBytes(), OnvifDeviceSet::kMaxTextBytes);
    // What a kept device lacked is not filled in past the bound either.
    OnvifDeviceInfo filler = Device("urn:uuid:0", {}, "");
    filler.types = scopes;
    EXPECT_EQ(set.Add(std::move(filler)), OnvifDeviceSet::AddResult::Full);
    EXPECT_TRUE(set.Devices()[0].types.empty());
}

TEST(OnvifDeviceSet, KeepsAtMost4096Devices) {
    OnvifDeviceSet set;
    for (std::size_t i = 0; i < OnvifDeviceSet::kMaxDevices; ++i)
        ASSERT_EQ(set.Add(Device("urn:uuid:" + std::to_string(i), {}, "")), OnvifDeviceSet::AddResult::Added);
    EXPECT_EQ(set.Add(Device("urn:uuid:one-more", {}, "")), OnvifDeviceSet::AddResult::Full);
    EXPECT_EQ(set.Add(Device("urn:uuid:7", {"http://198.51.100.7/"}, "")), OnvifDeviceSet::AddResult::Merged);
    EXPECT_EQ(set.Devices().size(), OnvifDeviceSet::kMaxDevices);
}

}  // namespace
