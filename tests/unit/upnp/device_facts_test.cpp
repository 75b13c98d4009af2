// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/device_facts.h"

#include <gtest/gtest.h>

#include "upnp/search_schedule.h"

namespace {

struct CountCase {
    int n;
    const char* children;
    const char* services;
};

class SummaryTest : public testing::TestWithParam<CountCase> {};

TEST_P(SummaryTest, ChildrenAndServicesTexts) {
    EXPECT_EQ(ChildrenSummary(GetParam().n), GetParam().children);
    EXPECT_EQ(ServicesSummary(GetParam().n), GetParam().services);
}

INSTANTIATE_TEST_SUITE_P(Counts, SummaryTest,
                         testing::Values(CountCase{0, "No: Zero children", "No: Zero services"},
                                         CountCase{1, "Yes: One child", "Yes: One service"},
                                         CountCase{2, "Yes: 2 children", "Yes: 2 services"},
                                         CountCase{5, "Yes: 5 children", "Yes: 5 services"},
                                         CountCase{12, "Yes: 12 children", "Yes: 12 services"},
                                         // A count that could not be read counts as none.
                                         CountCase{-1, "No: Zero children", "No: Zero services"}));

struct MakerCase {
    const char* maker;
    bool kept;
};

class MakerTest : public testing::TestWithParam<MakerCase> {};

TEST_P(MakerTest, OnlyExactCaseAxisOrVivotekIsKept) {
    EXPECT_EQ(IsKeptManufacturer(GetParam().maker), GetParam().kept) << GetParam().maker;
}

INSTANTIATE_TEST_SUITE_P(Makers, MakerTest,
                         testing::Values(MakerCase{"AXIS", true}, MakerCase{"AXIS Communications AB", true},
                                         MakerCase{"made by AXIS", true}, MakerCase{"Axis", false},
                                         MakerCase{"axis communications", false}, MakerCase{"Vivotek Inc.", true},
                                         MakerCase{"by Vivotek", true}, MakerCase{"VIVOTEK", false},
                                         MakerCase{"vivotek", false}, MakerCase{"", false},
                                         MakerCase{"Kestrel Optics", false}, MakerCase{"AXI S", false}));

TEST(DeviceFacts, YesNoAndTopmost) {
    EXPECT_EQ(YesNo(true), "Yes");
    EXPECT_EQ(YesNo(false), "No");
    EXPECT_EQ(TopmostOr(std::nullopt), "This is a topmost device");
    EXPECT_EQ(TopmostOr(std::string("Camera A")), "Camera A");
    // A parent without a friendly name is still a parent.
    EXPECT_EQ(TopmostOr(std::string()), "");
}

TEST(DeviceFacts, UdnFromUsn) {
    EXPECT_EQ(UdnFromUsn("uuid:1234::upnp:rootdevice"), "uuid:1234");
    EXPECT_EQ(UdnFromUsn("uuid:1234::urn:schemas-upnp-org:device:Basic:1"), "uuid:1234");
    EXPECT_EQ(UdnFromUsn("uuid:1234"), "uuid:1234");
    EXPECT_EQ(UdnFromUsn(""), "");
}

DeviceInformationContainer Device(const std::string& maker, const std::string& udn, const std::string& name) {
    DeviceInformationContainer d;
    d.ManufacturerName = maker;
    d.UniqueDeviceName = udn;
    d.FriendlyName = name;
    return d;
}

TEST(DeviceFacts, SortByMakerKeepsOrderMakersAndOneSightingPerUdn) {
    const std::vector<DeviceInformationContainer> found = {
        Device("Vivotek Inc.", "uuid:v1", "first"),
        Device("Kestrel", "uuid:k1", "other maker"),
        Device("AXIS", "uuid:a1", "second"),
        Device("Vivotek Inc.", "uuid:v1", "same device again"),
        Device("AXIS", "", "no udn 1"),
        Device("AXIS", "", "no udn 2"),
        Device("axis", "uuid:a2", "wrong case"),
        Device("AXIS", "uuid:a3", "third"),
    };
    const SortedDevices sorted = SortByMaker(found);
    const auto names = [](const std::vector<DeviceInformationContainer>& devices) {
        std::vector<std::string> out;
        for (const auto& d : devices) out.push_back(d.FriendlyName);
        return out;
    };
    EXPECT_EQ(names(sorted.kept), (std::vector<std::string>{"first", "second", "no udn 1", "no udn 2", "third"}));
    EXPECT_EQ(names(sorted.skipped), (std::vector<std::string>{"other maker", "wrong case"}));
    EXPECT_TRUE(SortByMaker({}).kept.empty());
}

using std::chrono::milliseconds;
using upnp_search::SearchProgress;

TEST(SearchProgress, EndsAfterWindowOnlyWhenEveryAnswerIsDescribed) {
    SearchProgress progress(milliseconds(2000), milliseconds(1000));
    EXPECT_FALSE(progress.ShouldEnd(milliseconds(0)));
    EXPECT_FALSE(progress.ShouldEnd(milliseconds(1999)));
    // Nothing answered: the window alone decides.
    EXPECT_TRUE(progress.ShouldEnd(milliseconds(2000)));

    progress.Announced("uuid:a");
    progress.Announced("uuid:b");
    progress.Announced("uuid:a");  // answered every send, counted once
    EXPECT_EQ(progress.Pending(), 2u);
    progress.Described("uuid:a");
    EXPECT_FALSE(progress.ShouldEnd(milliseconds(2500)));
    // Even with answers everywhere, the search never ends before the window.
    progress.Described("uuid:b");
    EXPECT_FALSE(progress.ShouldEnd(milliseconds(1500)));
    EXPECT_TRUE(progress.ShouldEnd(milliseconds(2500)));
}

TEST(SearchProgress, ADescriptionThatNeverComesEndsAtTheAllowance) {
    SearchProgress progress(milliseconds(2000), milliseconds(1000));
    progress.Announced("uuid:slow");
    EXPECT_FALSE(progress.ShouldEnd(milliseconds(2999)));
    EXPECT_TRUE(progress.ShouldEnd(milliseconds(3000)));
}

TEST(SearchProgress, ADeviceDescribedWithoutAnnouncementIsNotPending) {
    SearchProgress progress(milliseconds(100), milliseconds(100));
    progress.Described("uuid:x");
    progress.Announced("uuid:x");
    EXPECT_EQ(progress.Pending(), 0u);
}

}  // namespace
