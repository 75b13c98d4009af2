// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/net_form_logic.h"

#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include "protocol/plain_package.h"
#include "protocol/unique_fd.h"
#include "tests/support/fake_window.h"
#include "tests/unit/netsetup/fake_net_form_view.h"

namespace {

const tComUnitInfo kDevice = MakeRecord({"IPCAM", "P1", "Door", "198.51.100.5", "80", "255.255.255.0", "198.51.100.1",
                                         "198.51.100.2", "00:11:22:33:44:55", "eth0", ""});

struct NetFormLogicTest : testing::Test {
    NetFormLogicTest() {
        // Should any of these tests reach the sending step, the datagram stays
        // on this host.
        form.method = SearchMethod::IpRelay;
        form.relayAddress = "127.0.0.1";
        logic.Load(kDevice);
        logic.FormCreate();
    }
    bool PackageBuilt() const { return form.LogContains("[Kestrova,03"); }

    FakeWindow form;
    FakeNetFormView view;
    NetFormLogic logic{form, view};
};

TEST_F(NetFormLogicTest, TypeChoiceEnablesTheAddressEditsForStaticAndTorvoOnly) {
    const std::vector<std::pair<NetworkType, bool>> steps{{NetworkType::Static, true},
                                                          {NetworkType::Dhcp, false},
                                                          {NetworkType::Torvo, true},
                                                          {NetworkType::None, false}};
    for (const auto& [type, enabled] : steps) {
        view.checked = type;
        logic.ClickToChangeNetworkType();
        EXPECT_EQ(view.addressEditsEnabled, enabled) << NetworkTypeKeyword(type);
    }
    EXPECT_EQ(view.texts[NetFormEdit::IP], "198.51.100.5");
}

TEST_F(NetFormLogicTest, LeavingAnInvalidAddressWarnsAndTakesTheFocusBack) {
    view.texts[NetFormEdit::Netmask] = "255.255.255.255";
    EXPECT_FALSE(logic.IpEditExit(AddressEdit::Netmask));
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Invalid Netmask - [255.255.255.255]");
    EXPECT_EQ(form.messages[0].title, "Warning");
    EXPECT_EQ(view.focusedEdit, NetFormEdit::Netmask);
}

TEST_F(NetFormLogicTest, LeavingTheGatewayWarnsOutsideTheNetworkButKeepsIt) {
    view.texts[NetFormEdit::IP] = "198.51.100.5";
    view.texts[NetFormEdit::Netmask] = "255.255.255.0";
    view.texts[NetFormEdit::Gateway] = "198.51.100.1";
    EXPECT_TRUE(logic.IpEditExit(AddressEdit::Gateway));
    EXPECT_TRUE(form.messages.empty());

    view.texts[NetFormEdit::Gateway] = "203.0.113.1";
    EXPECT_TRUE(logic.IpEditExit(AddressEdit::Gateway));
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Unresonable Gateway - [203.0.113.1]");
    EXPECT_EQ(form.messages[0].title, "Warning");
    EXPECT_FALSE(view.focusedEdit.has_value());
    EXPECT_EQ(view.texts[NetFormEdit::Gateway], "203.0.113.1");

    // Only the gateway edit is compared with the network.
    EXPECT_TRUE(logic.IpEditExit(AddressEdit::DNS));
    EXPECT_EQ(form.messages.size(), 1u);
}

TEST_F(NetFormLogicTest, ApplyWithoutATypeAsksForOneAndSendsNothing) {
    logic.BtnApplyClick();
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Please specify the network type first.");
    EXPECT_EQ(form.messages[0].title, "Warning");
    EXPECT_FALSE(view.closed);
    EXPECT_FALSE(PackageBuilt());
}

TEST_F(NetFormLogicTest, StaticApplyRefusesAnAddressThatDoesNotParse) {
    view.checked = NetworkType::Static;
    logic.ClickToChangeNetworkType();
    view.texts[NetFormEdit::Gateway] = "198.51.100.1 ";
    view.texts[NetFormEdit::DNS] = "";
    logic.BtnApplyClick();
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Invalid Gateway - [198.51.100.1 ]");
    EXPECT_EQ(form.messages[0].title, "Warning");
    EXPECT_EQ(view.focusedEdit, NetFormEdit::Gateway);
    EXPECT_FALSE(view.closed);
    EXPECT_FALSE(PackageBuilt());
}

int OpenDescriptorCount() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir) != nullptr) ++count;
        closedir(dir);
    }
    return count;
}

TEST_F(NetFormLogicTest, ApplyReportsFailureWhenTheReplyPortIsTaken) {
    // A socket without SO_REUSEADDR on the reply port makes the tool's bind
    // fail even though the tool asks for address reuse.
    UniqueFd holder(socket(AF_INET, SOCK_DGRAM, 0));
    ASSERT_TRUE(holder.valid());
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(kReplyPort);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(holder.get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        GTEST_SKIP() << "port " << kReplyPort << " is in use on this host";
    }
    view.checked = NetworkType::Dhcp;
    const int descriptorsBefore = OpenDescriptorCount();
    logic.BtnApplyClick();
    ASSERT_EQ(form.messages.size(), 1u);
    EXPECT_EQ(form.messages[0].text, "Failed to send the control package.");
    EXPECT_EQ(form.messages[0].title, "Note");
    EXPECT_TRUE(view.closed);
    EXPECT_TRUE(PackageBuilt());
    EXPECT_TRUE(form.LogContains("bind() error"));
    // The socket whose bind failed is closed too.
    EXPECT_EQ(OpenDescriptorCount(), descriptorsBefore);
}

}  // namespace
