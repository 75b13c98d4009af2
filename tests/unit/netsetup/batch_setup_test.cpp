// SPDX-License-Identifier: GPL-3.0-or-later
#include <mutex>

#include <gtest/gtest.h>

#include "netsetup/batch_addresses.h"
#include "netsetup/batch_watch.h"
#include "netsetup/device_setup.h"
#include "tests/support/fake_window.h"

namespace {

tComUnitInfo Camera(const std::string& name, const std::string& ip, const std::string& mac) {
    return MakeRecord({"KV", "IPCam", name, ip, "80", "255.255.255.0", "203.0.113.254", "203.0.113.53", mac, "HW", ""});
}

AddressProber AnswersAt(std::vector<std::string> answering) {
    return [answering](const std::string& ip) {
        const bool answers = std::find(answering.begin(), answering.end(), ip) != answering.end();
        return ProbeResult{answers ? ProbeOutcome::Answered : ProbeOutcome::Silent, {}};
    };
}

std::vector<std::string> Ips(const BatchAddressing& a) {
    std::vector<std::string> ips;
    for (const AddressAssignment& x : a.assignments) ips.push_back(x.ip.value_or("-"));
    return ips;
}

const std::vector<BatchMember> kThree = {
    {"02:4B:43:00:00:01", "203.0.113.9"}, {"02:4B:43:00:00:02", "203.0.113.9"}, {"02:4B:43:00:00:03", "203.0.113.9"}};

}  // namespace

TEST(BatchAddresses, SkipUsedAndAnsweringAddressesAndSayWhyToTheDeviceThatWouldHaveHadThem) {
    const TComUnitList listed = {Camera("Gate", "203.0.113.11", "02:4B:56:00:00:09")};
    const auto a = AssignBatchAddresses(kThree, "203.0.113.10", "255.255.255.0", listed, AnswersAt({"203.0.113.13"}));
    ASSERT_TRUE(a);
    EXPECT_EQ(Ips(*a), (std::vector<std::string>{"203.0.113.10", "203.0.113.12", "203.0.113.14"}));
    EXPECT_TRUE(a->assignments[0].skipped.empty());
    EXPECT_EQ(a->assignments[1].skipped, std::vector<std::string>{"203.0.113.11 (used by Gate (02:4B:56:00:00:09))"});
    EXPECT_EQ(a->assignments[2].skipped, std::vector<std::string>{"203.0.113.13 (answers)"});
    EXPECT_FALSE(a->cancelled);
}

TEST(BatchAddresses, NeverTheNetworkOrBroadcastAddressAndMarkWhoIsLeftWithout) {
    // A /30 from its network address: only .1 and .2 are hosts.
    const auto a = AssignBatchAddresses(kThree, "203.0.113.8", "255.255.255.252", {}, AnswersAt({}));
    ASSERT_TRUE(a);
    EXPECT_EQ(Ips(*a), (std::vector<std::string>{"203.0.113.9", "203.0.113.10", "-"}));
    EXPECT_FALSE(AssignBatchAddresses(kThree, "203.0.113.300", "255.255.255.0", {}, AnswersAt({})));
}

TEST(BatchAddresses, TheMembersOwnAddressIsFreeAndNotProbedThoughTheyAnswerThere) {
    // The cameras share .9 and answer there; their UPnP row stands there too.
    const TComUnitList listed = {
        Camera("fresh", "203.0.113.9", "02:4B:43:00:00:01"),
        MakeRecord({"Axis", "Axis", "fresh", "203.0.113.9", "80", "NULL", "", "", "NULL", "", ""})};
    const auto a = AssignBatchAddresses(kThree, "203.0.113.9", "255.255.255.0", listed, AnswersAt({"203.0.113.9"}));
    ASSERT_TRUE(a);
    EXPECT_EQ(Ips(*a), (std::vector<std::string>{"203.0.113.9", "203.0.113.10", "203.0.113.11"}));
}

TEST(BatchAddresses, ProbesRunSideBySideAndCancelStops) {
    std::vector<BatchMember> many;
    for (int i = 0; i < 40; ++i) many.push_back({"02:4B:43:00:01:" + std::to_string(10 + i), "203.0.113.9"});
    std::mutex lock;
    int running = 0, most = 0;
    const AddressProber slow = [&](const std::string&) {
        {
            std::lock_guard guard(lock);
            most = std::max(most, ++running);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard guard(lock);
        --running;
        return ProbeResult{ProbeOutcome::Silent, {}};
    };
    const auto a = AssignBatchAddresses(many, "203.0.113.100", "255.255.255.0", {}, slow);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->assignments.back().ip, "203.0.113.139");
    EXPECT_GT(most, 1) << "the probes ran one after the other";

    int calls = 0;
    const auto cancelled = AssignBatchAddresses(many, "203.0.113.100", "255.255.255.0", {}, AnswersAt({}),
                                                [&calls](int, int) { return ++calls < 1; });
    ASSERT_TRUE(cancelled);
    EXPECT_TRUE(cancelled->cancelled);
}

TEST(BatchWatch, ConfirmsOnlyFromASearchBegunAfterTheSendAndGivesUpAtTheLimit) {
    using Clock = BatchWatch::Clock;
    const Clock::time_point sent = Clock::now();
    BatchWatch watch(std::chrono::seconds(10));
    const tComUnitInfo moved = Camera("fresh-1", "203.0.113.100", "02:4B:43:00:00:01");
    std::shared_ptr<DeviceSetup> setup = MakeProtocolDeviceSetup(Camera("fresh-1", "203.0.113.9", "02:4B:43:00:00:01"));
    const NewSettings settings{NetworkType::Static, "203.0.113.100", "255.255.255.0", "203.0.113.254", "203.0.113.53"};
    watch.Add(
        0, [setup, settings](const TComUnitList& found) { return setup->ConfirmedAt(found, settings); }, sent);
    watch.Add(
        1, [](const TComUnitList&) { return std::optional<std::string>(); }, sent);

    // A search that began before the send proves nothing.
    EXPECT_TRUE(watch.Check({moved}, sent - std::chrono::seconds(1), sent + std::chrono::seconds(2)).empty());
    const auto confirmed = watch.Check({moved}, sent + std::chrono::seconds(1), sent + std::chrono::seconds(3));
    ASSERT_EQ(confirmed.size(), 1u);
    EXPECT_EQ(confirmed[0].id, 0);
    EXPECT_TRUE(confirmed[0].confirmed);
    EXPECT_EQ(confirmed[0].ip, "203.0.113.100");
    EXPECT_DOUBLE_EQ(confirmed[0].seconds, 3.0);
    EXPECT_FALSE(watch.Done());

    const auto expired = watch.Check({moved}, sent + std::chrono::seconds(9), sent + std::chrono::seconds(10));
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0].id, 1);
    EXPECT_FALSE(expired[0].confirmed);
    EXPECT_TRUE(watch.Done());
    EXPECT_EQ(BatchWatchLimit(20), std::chrono::seconds(100));
}

TEST(DeviceSetup, RowsWithoutADeviceMacCannotTakeSettingsAndSendNothing) {
    FakeWindow form;
    const tComUnitInfo upnp = MakeRecord({"Axis", "Axis", "Door", "203.0.113.5", "80", "NULL", "", "", "NULL", "", ""});
    std::unique_ptr<DeviceSetup> setup = MakeUnsupportedDeviceSetup(upnp);
    EXPECT_EQ(setup->CannotTakeSettings(), kCannotTakeSettingsText);
    EXPECT_EQ(setup->Send(form, {NetworkType::Dhcp, "", "", "", ""}).refused, std::string(kCannotTakeSettingsText));
    EXPECT_TRUE(MakeProtocolDeviceSetup(Camera("c", "203.0.113.9", "02:4B:43:00:00:01"))->CannotTakeSettings().empty());
}
