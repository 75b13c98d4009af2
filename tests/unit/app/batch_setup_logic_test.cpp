// SPDX-License-Identifier: GPL-3.0-or-later
// The batch dialog's preview without widgets or network: probes are answered
// by the test, and nothing is sent.

#include "netsetup/batch_setup_logic.h"

#include <gtest/gtest.h>

#include "app/main_form_logic.h"
#include "tests/support/fake_window.h"

namespace {

class RecordingView : public BatchSetupView {
public:
    int shown = 0;
    std::vector<bool> busy;
    void ShowLines() override { ++shown; }
    void SetProgress(int, int) override {}
    void SetBusy(bool b) override { busy.push_back(b); }
};

tComUnitInfo Camera(const std::string& name, const std::string& ip, const std::string& mac) {
    return MakeRecord({"KV", "IPCam", name, ip, "80", "255.255.255.0", "203.0.113.254", "203.0.113.53", mac, "HW", ""});
}

class BatchPreview : public testing::Test {
protected:
    void SetUp() override {
        logic.ComUnitList = {rows[0], rows[1], rows[2], Camera("Gate", "203.0.113.21", "02:4B:56:00:00:09")};
    }
    FakeWindow form;
    MainFormLogic logic{form};
    RecordingView view;
    const std::vector<tComUnitInfo> rows = {
        Camera("fresh-1", "203.0.113.9", "02:4B:43:00:00:01"),
        MakeRecord({"Axis", "Axis", "cam", "203.0.113.9", "80", "NULL", "", "", "NULL", "", ""}),
        Camera("fresh-2", "203.0.113.9", "02:4B:43:00:00:02"),
    };
    const AddressProber silent = [](const std::string&) { return ProbeResult{ProbeOutcome::Silent, {}}; };
};

}  // namespace

TEST_F(BatchPreview, NumbersTheDevicesThatTakeSettingsAndListsTheRestAsSuch) {
    BatchSetupLogic batch(form, logic, view, rows, silent);
    ASSERT_TRUE(batch.Preview({false, "203.0.113.20", "255.255.255.0", "203.0.113.254", "203.0.113.53"}));
    const auto& items = batch.Items();
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].newIp, "203.0.113.20");
    EXPECT_EQ(items[1].note, "cannot take settings");
    EXPECT_FALSE(items[1].settings);
    EXPECT_EQ(items[2].newIp, "203.0.113.22");
    EXPECT_EQ(items[2].note, "skipped 203.0.113.21 (used by Gate (02:4B:56:00:00:09))");
    EXPECT_EQ(view.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(batch.ResultText(),
              "MAC\tName\tCurrent IP\tNew IP\tResult\n"
              "02:4B:43:00:00:01\tfresh-1\t203.0.113.9\t203.0.113.20\t\n"
              "NULL\tcam\t203.0.113.9\t\tcannot take settings\n"
              "02:4B:43:00:00:02\tfresh-2\t203.0.113.9\t203.0.113.22\tskipped 203.0.113.21 (used by Gate "
              "(02:4B:56:00:00:09))\n");

    ASSERT_TRUE(batch.Preview({true, "", "", "", ""}));
    EXPECT_EQ(items[0].newIp, "DHCP");
    EXPECT_EQ(items[0].settings->type, NetworkType::Dhcp);
    EXPECT_TRUE(items[2].note.empty());
}

TEST_F(BatchPreview, AnInvalidAddressIsRefusedWithTheDialogsWarningAndNothingNumbered) {
    BatchSetupLogic batch(form, logic, view, rows, silent);
    EXPECT_FALSE(batch.Preview({false, "203.0.113.20", "255.255.255.0", "203.0.113.254", "a,b"}));
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Invalid DNS - [a,b]");
    EXPECT_FALSE(batch.Previewed());
    EXPECT_FALSE(batch.Items()[0].settings);
}

TEST_F(BatchPreview, CancelDuringTheProbesStopsThePreview) {
    BatchSetupLogic* running = nullptr;
    const AddressProber cancelling = [&running](const std::string&) {
        running->Cancel();
        return ProbeResult{ProbeOutcome::Silent, {}};
    };
    BatchSetupLogic batch(form, logic, view, rows, cancelling);
    running = &batch;
    EXPECT_FALSE(batch.Preview({false, "203.0.113.20", "255.255.255.0", "203.0.113.254", "203.0.113.53"}));
    EXPECT_FALSE(batch.Previewed());
    EXPECT_FALSE(batch.Busy());
}
