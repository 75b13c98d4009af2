#include <set>
#include <string>

#include <gtest/gtest.h>

#include "onvif/onvif_device_set.h"
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
    EXPECT_EQ(set.Add(Device("urn:uuid:a", {}, "10.0.0.1:3702")), OnvifDeviceSet::AddResult::Added);
    EXPECT_EQ(set.Add(Device("urn:uuid:b", {"http://10.0.0.2/"}, "10.0.0.2:3702")), OnvifDeviceSet::AddResult::Added);
    EXPECT_EQ(set.Add(Device("urn:uuid:a", {"http://10.0.0.1/"}, "10.0.0.1:40000")), OnvifDeviceSet::AddResult::Merged);
    EXPECT_EQ(set.Add(Device("urn:uuid:b", {"http://10.9.9.9/"}, "10.9.9.9:1")), OnvifDeviceSet::AddResult::Merged);
    EXPECT_EQ(set.Add(Device("", {}, "x")), OnvifDeviceSet::AddResult::NoEndpoint);
    ASSERT_EQ(set.Devices().size(), 2u);
    EXPECT_EQ(set.Devices()[0].xaddrs, std::vector<std::string>{"http://10.0.0.1/"});
    EXPECT_EQ(set.Devices()[0].answeredFrom, "10.0.0.1:40000");
    EXPECT_EQ(set.Devices()[1].xaddrs, std::vector<std::string>{"http://10.0.0.2/"}) << "first answer kept";
}

TEST(OnvifDeviceSet, KeepsAtMost4096Devices) {
    OnvifDeviceSet set;
    for (std::size_t i = 0; i < OnvifDeviceSet::kMaxDevices; ++i)
        ASSERT_EQ(set.Add(Device("urn:uuid:" + std::to_string(i), {}, "")), OnvifDeviceSet::AddResult::Added);
    EXPECT_EQ(set.Add(Device("urn:uuid:one-more", {}, "")), OnvifDeviceSet::AddResult::Full);
    EXPECT_EQ(set.Add(Device("urn:uuid:7", {"http://10.0.0.7/"}, "")), OnvifDeviceSet::AddResult::Merged);
    EXPECT_EQ(set.Devices().size(), OnvifDeviceSet::kMaxDevices);
}

}  // namespace
