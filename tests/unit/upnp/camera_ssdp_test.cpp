// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated cameras' side of SSDP against the engine's.

#include <gtest/gtest.h>

#include "tools/devsim/upnp_camera_ssdp.h"
#include "upnp/ssdp_message.h"

namespace {

TEST(CameraSsdp, ReadsTheEnginesSearchAndTheEngineReadsTheAnswer) {
    const auto search = ParseMSearchRequest(BuildMSearch(ssdp::kRootDevice, 1));
    ASSERT_TRUE(search.has_value());
    EXPECT_EQ(search->searchTarget, "upnp:rootdevice");
    EXPECT_EQ(search->mxSeconds, 1);
    ASSERT_TRUE(CameraAnswers(search->searchTarget, "uuid:cam-1"));

    const auto answer = ParseRootDeviceAnswer(
        RootDeviceAnswer(search->searchTarget, "http://127.0.0.1:40000/camera-1.xml", "uuid:cam-1"));
    ASSERT_TRUE(answer.has_value());
    EXPECT_EQ(answer->udn, "uuid:cam-1");
    EXPECT_EQ(answer->location, "http://127.0.0.1:40000/camera-1.xml");
}

TEST(CameraSsdp, OnlyMatchingTargetsAreAnswered) {
    EXPECT_TRUE(CameraAnswers("ssdp:all", "uuid:cam-1"));
    EXPECT_TRUE(CameraAnswers("uuid:cam-1", "uuid:cam-1"));
    EXPECT_FALSE(CameraAnswers("uuid:cam-2", "uuid:cam-1"));
    EXPECT_FALSE(CameraAnswers("urn:schemas-upnp-org:device:MediaServer:1", "uuid:cam-1"));
}

struct SearchCase {
    const char* name;
    const char* datagram;
    int mx;  // 0: refused
};

class CameraSearchParse : public testing::TestWithParam<SearchCase> {};

TEST_P(CameraSearchParse, MxIsRequiredAndCapped) {
    const auto search = ParseMSearchRequest(GetParam().datagram);
    if (GetParam().mx == 0) {
        EXPECT_FALSE(search.has_value());
        return;
    }
    ASSERT_TRUE(search.has_value());
    EXPECT_EQ(search->mxSeconds, GetParam().mx);
}

INSTANTIATE_TEST_SUITE_P(
    Searches, CameraSearchParse,
    testing::Values(
        SearchCase{"mx3", "M-SEARCH * HTTP/1.1\r\nMAN: \"ssdp:discover\"\r\nMX: 3\r\nST: ssdp:all\r\n\r\n", 3},
        SearchCase{"mxCapped", "M-SEARCH * HTTP/1.1\r\nman: \"ssdp:discover\"\r\nmx: 120\r\nst: ssdp:all\r\n\r\n",
                   kMaxCameraMx},
        SearchCase{"mxZero", "M-SEARCH * HTTP/1.1\r\nMAN: \"ssdp:discover\"\r\nMX: 0\r\nST: ssdp:all\r\n\r\n", 0},
        SearchCase{"mxText", "M-SEARCH * HTTP/1.1\r\nMAN: \"ssdp:discover\"\r\nMX: soon\r\nST: ssdp:all\r\n\r\n", 0},
        SearchCase{"noMan", "M-SEARCH * HTTP/1.1\r\nMX: 1\r\nST: ssdp:all\r\n\r\n", 0},
        SearchCase{"notify", "NOTIFY * HTTP/1.1\r\nNT: upnp:rootdevice\r\nNTS: ssdp:alive\r\n\r\n", 0}),
    [](const testing::TestParamInfo<SearchCase>& p) { return std::string(p.param.name); });

}  // namespace
