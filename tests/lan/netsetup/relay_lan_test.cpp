// SPDX-License-Identifier: GPL-3.0-or-later
// With "IP Relay" chosen, the control package goes to the relay host alone:
// three hosts on one switch, the tool on host 1, devices on hosts 2 and 3.

#include <gtest/gtest.h>

#include "netsetup/net_form_logic.h"
#include "tests/lan/netsetup/recorded_packages.h"
#include "tests/support/fake_window.h"
#include "tests/support/lan_box.h"
#include "tests/unit/netsetup/fake_net_form_view.h"

namespace {

const tComUnitInfo kDevice = MakeRecord({"IPCAM", "P1", "Door", "198.51.100.13", "80", "255.255.255.0", "198.51.100.1",
                                         "198.51.100.2", "02:4B:56:00:00:03", "HW1.0", ""});

// Applies a type for kDevice through the dialog's logic; the outcome text.
std::string Apply(FakeWindow& form, NetworkType type) {
    FakeNetFormView view;
    NetFormLogic logic(form, view);
    logic.Load(kDevice);
    logic.FormCreate();
    view.checked = type;
    logic.BtnApplyClick();
    return form.messages.empty() ? "" : form.messages.back().text;
}

TEST(NetsetupRelay, SendsToTheRelayHostOnlyWhateverTheTransport) {
    const std::vector<std::string> hosts = LanBoxAddresses();
    ASSERT_GE(hosts.size(), 3u);
    TempDir files;
    DevsimProcess relay({"--count", "1", "--record", files.File("relay")}, 2);
    DevsimProcess other({"--count", "1", "--record", files.File("other")}, 3);
    ASSERT_TRUE(relay.Start()) << relay.Error();
    ASSERT_TRUE(other.Start()) << other.Error();

    const std::string sent = "Control package sent.\nPlease try to re-search the device after one minute.";
    for (const char* transport : {"TCP", "UDP", "HttpCmd"}) {
        FakeWindow form;
        form.method = SearchMethod::IpRelay;
        form.relayAddress = hosts[1];
        form.relayTransport = transport;
        EXPECT_EQ(Apply(form, NetworkType::Dhcp), sent) << transport;
    }
    // A broadcast after them, told apart by its type, reaches both hosts:
    // once host 3 has it, anything sent to host 3 before would have arrived.
    FakeWindow broadcast;
    EXPECT_EQ(Apply(broadcast, NetworkType::Static), sent);

    const std::string fields =
        "Kestrova,03,IPCAM,P1,Door,198.51.100.13,80,255.255.255.0,198.51.100.1,198.51.100.2,02:4B:56:00:00:03,HW1.0,";
    const std::string relayed = fields + "dhcp";
    const std::string marker = fields + "static";
    EXPECT_EQ(WaitForRecordedLine(files.File("relay"), marker),
              (std::vector<std::string>{relayed, relayed, relayed, marker}));
    EXPECT_EQ(WaitForRecordedLine(files.File("other"), marker), std::vector<std::string>{marker});
}

}  // namespace
