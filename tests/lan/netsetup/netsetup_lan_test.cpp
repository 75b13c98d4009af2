// SPDX-License-Identifier: GPL-3.0-or-later
// Control packages reaching a simulated device inside a one-host box, from
// the dialog's logic and from `lanvaro-cli setup`.

#include <gtest/gtest.h>

#include "netsetup/net_form_logic.h"
#include "tests/lan/netsetup/recorded_packages.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "tests/unit/netsetup/fake_net_form_view.h"

namespace {

const std::vector<std::string> kDeviceFields{
    "IPCAM", "P1",    "Door", "203.0.113.5", "80", "255.255.255.0", "203.0.113.1", "203.0.113.2", "02:4B:56:00:00:01",
    "HW1.0", "site 1"};
const std::string kDeviceLine =
    "IPCAM,P1,Door,203.0.113.5,80,255.255.255.0,203.0.113.1,203.0.113.2,02:4B:56:00:00:01,HW1.0,site 1";

class NetsetupLan : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WriteFile(files_.File("devices"), kDeviceLine + "\n"));
        devsim_ = std::make_unique<DevsimProcess>(
            std::vector<std::string>{"--devices", files_.File("devices"), "--record", Recorded()});
        ASSERT_TRUE(devsim_->Start()) << devsim_->Error();
    }
    std::string Recorded() const { return files_.File("recorded"); }

    TempDir files_;
    std::unique_ptr<DevsimProcess> devsim_;
};

struct DialogCase {
    const char* name;
    NetworkType type;
    SearchMethod method;
    std::string relayTransport;
    std::string expected;
};

class DialogApply : public NetsetupLan, public testing::WithParamInterface<DialogCase> {};

TEST_P(DialogApply, DeliversTheDeviceRecordWithTheEditedAddressesAndTheType) {
    FakeWindow form;
    form.method = GetParam().method;
    form.relayAddress = "127.0.0.1";
    form.relayTransport = GetParam().relayTransport;
    FakeNetFormView view;
    NetFormLogic logic(form, view);
    logic.Load(MakeRecord(kDeviceFields));
    logic.FormCreate();
    view.checked = GetParam().type;
    logic.ClickToChangeNetworkType();
    view.texts[NetFormEdit::IP] = "203.0.113.77";
    view.texts[NetFormEdit::Netmask] = "255.255.0.0";
    logic.BtnApplyClick();

    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Control package sent.\nPlease try to re-search the device after one minute.");
    EXPECT_EQ(form.messages[0].title, "Note");
    EXPECT_TRUE(view.closed);
    EXPECT_EQ(WaitForRecorded(Recorded(), 1), std::vector<std::string>{GetParam().expected});
}

INSTANTIATE_TEST_SUITE_P(
    , DialogApply,
    testing::Values(DialogCase{"StaticByBroadcast", NetworkType::Static, SearchMethod::LocalBroadcast, "TCP",
                               "Kestrova,03,IPCAM,P1,Door,203.0.113.77,80,255.255.0.0,203.0.113.1,203.0.113.2,02:4B:56:"
                               "00:00:01,HW1.0,static"},
                    // DHCP carries the addresses as they stand in the dialog, edited or not.
                    DialogCase{"DhcpByBroadcast", NetworkType::Dhcp, SearchMethod::LocalBroadcast, "TCP",
                               "Kestrova,03,IPCAM,P1,Door,203.0.113.77,80,255.255.0.0,203.0.113.1,203.0.113.2,02:4B:56:"
                               "00:00:01,HW1.0,dhcp"},
                    // Whatever the relay's transport, the package goes by UDP.
                    DialogCase{"StaticByTcpRelay", NetworkType::Static, SearchMethod::IpRelay, "TCP",
                               "Kestrova,03,IPCAM,P1,Door,203.0.113.77,80,255.255.0.0,203.0.113.1,203.0.113.2,02:4B:56:"
                               "00:00:01,HW1.0,static"},
                    DialogCase{"DhcpByHttpCmdRelay", NetworkType::Dhcp, SearchMethod::IpRelay, "HttpCmd",
                               "Kestrova,03,IPCAM,P1,Door,203.0.113.77,80,255.255.0.0,203.0.113.1,203.0.113.2,02:4B:56:"
                               "00:00:01,HW1.0,dhcp"}),
    [](const testing::TestParamInfo<DialogCase>& param) { return std::string(param.param.name); });

#ifdef LANVARO_CLI_PATH
class CliSetup : public NetsetupLan {
protected:
    ProgramRun Run(std::vector<std::string> args) {
        args.insert(args.begin(), {LANVARO_CLI_PATH, "setup"});
        return RunToEnd(args, files_.File("cli.out"), files_.File("cli.err"));
    }
};

TEST_F(CliSetup, FindsTheDeviceBySearchAndSendsWhatTheDialogWould) {
    const ProgramRun run = Run({"--mac", "02:4B:56:00:00:01", "--static", "--ip", "203.0.113.77", "--netmask",
                                "255.255.0.0", "--gateway", "203.0.113.254", "--dns", "203.0.113.53"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, (std::vector<std::string>{"Control package sent.",
                                                 "Please try to re-search the device after one minute."}));
    EXPECT_EQ(WaitForRecorded(Recorded(), 1),
              std::vector<std::string>{"Kestrova,03,IPCAM,P1,Door,203.0.113.77,80,255.255.0.0,203.0.113.254,203.0.113."
                                       "53,02:4B:56:00:00:01,HW1.0,static"});
}

TEST_F(CliSetup, RefusesWithoutSendingWhenTheDeviceOrAnAddressIsWrong) {
    ProgramRun run = Run({"--mac", "02:4B:56:00:00:99", "--dhcp"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::vector<std::string>{"lanvaro-cli setup: no device with MAC 02:4B:56:00:00:99 was found"});

    run = Run({"--mac", "02:4B:56:00:00:01", "--static", "--ip", "203.0.113.77", "--netmask", "255.255.255.255",
               "--gateway", "203.0.113.1", "--dns", "203.0.113.2"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::vector<std::string>{"lanvaro-cli setup: Invalid Netmask - [255.255.255.255]"});
    EXPECT_TRUE(run.out.empty());

    run = Run({"--mac", "02:4B:56:00:00:01", "--static", "--ip", "203.0.113.77"});
    EXPECT_EQ(run.status, 2);

    // Only the package sent last has arrived: the refusals sent nothing.
    run = Run({"--mac", "02:4B:56:00:00:01", "--dhcp", "--relay", "127.0.0.1", "--transport", "UDP"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WaitForRecorded(Recorded(), 1),
              std::vector<std::string>{"Kestrova,03,IPCAM,P1,Door,203.0.113.5,80,255.255.255.0,203.0.113.1,203.0.113.2,"
                                       "02:4B:56:00:00:01,HW1.0,dhcp"});
}

TEST_F(CliSetup, RefusesARelayRowWhoseNameHoldsAComma) {
    DevsimProcess relay(
        {"--no-udp", "--devices", files_.File("devices"), "--http-relay", "18080", "--http-page", "comma-names"});
    ASSERT_TRUE(relay.Start()) << relay.Error();
    ProgramRun run =
        Run({"--mac", "02:4B:56:00:00:01", "--dhcp", "--relay", "127.0.0.1:18080", "--transport", "HttpCmd"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, std::vector<std::string>{"lanvaro-cli setup: Invalid Name - [Door, east wing]"});
    EXPECT_TRUE(run.out.empty());

    // Only the package sent last has arrived: the refusal sent nothing.
    run = Run({"--mac", "02:4B:56:00:00:01", "--dhcp"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(WaitForRecorded(Recorded(), 1),
              std::vector<std::string>{"Kestrova,03,IPCAM,P1,Door,203.0.113.5,80,255.255.255.0,203.0.113.1,203.0.113.2,"
                                       "02:4B:56:00:00:01,HW1.0,dhcp"});
}

#endif  // LANVARO_CLI_PATH

}  // namespace
