// SPDX-License-Identifier: GPL-3.0-or-later
// Debian's onvif-util, a client written by others, finds devsim's cameras
// and signs in to one: the simulated device service is no private dialect,
// also where a camera lets anyone read (the quirks of SOAP 1.1 and of the
// clock are beyond it).

#include <cstdlib>

#include "tests/lan/onvif_device/onvif_device_lan_fixture.h"

namespace {

class OnvifUtilLan : public OnvifDeviceLan, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        if (std::system("command -v onvif-util >/dev/null") != 0) GTEST_SKIP() << "onvif-util is not installed";
        // onvif-util probes without choosing a card: in the one-host box that
        // needs loopback to carry multicast.
        ASSERT_EQ(std::system("ip link set lo multicast on && (ip route show 224.0.0.0/4 | grep -q . || "
                              "ip route add 224.0.0.0/4 dev lo)"),
                  0);
    }

    // Its sign-in opens an interactive session, which spins on an empty
    // stdin until it is killed: "quit" ends it.
    CliRun OnvifUtil(const std::string& args) {
        const std::string n = std::to_string(runs++);
        return RunForText({"/bin/sh", "-c", "printf 'quit\\n' | /usr/bin/onvif-util " + args},
                          files.File("util-out" + n), files.File("util-err" + n), {}, std::chrono::seconds(30));
    }
};

TEST_P(OnvifUtilLan, ListsTheCamerasWithTheirNamesAndSignsInToOne) {
    StartCameras(*GetParam() == '\0' ? std::vector<std::string>{}
                                     : std::vector<std::string>{"--onvif-quirk", GetParam()});
    const CliRun all = OnvifUtil("-a");
    EXPECT_NE(all.out.find("127.77.0.10 onvif-cam-0"), std::string::npos) << all.out << all.err;
    EXPECT_NE(all.out.find("Lobby Camera 0"), std::string::npos) << all.out;

    const CliRun login = OnvifUtil(std::string("-u ") + kUser + " -p '" + kPassword + "' 127.77.0.10");
    EXPECT_NE(login.out.find("successfully connected to host"), std::string::npos) << login.out << login.err;
    const auto asked = Requests();
    EXPECT_NE(std::find(asked.begin(), asked.end(), "GetDeviceInformation"), asked.end());
}

INSTANTIATE_TEST_SUITE_P(, OnvifUtilLan, ::testing::Values("", "open-reads"),
                         [](const ::testing::TestParamInfo<const char*>& p) {
                             return *p.param == '\0' ? std::string("ByTheBook") : std::string("OpenReads");
                         });

}  // namespace
