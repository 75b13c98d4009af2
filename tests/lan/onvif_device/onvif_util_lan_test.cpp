// Debian's onvif-util, a client written by others, finds devsim's cameras
// and signs in to one: the simulated device service is no private dialect.

#include <cstdlib>

#include "tests/lan/onvif_device/onvif_device_lan_fixture.h"

namespace {

class OnvifUtilLan : public OnvifDeviceLan {
protected:
    void SetUp() override {
        if (std::system("command -v onvif-util >/dev/null") != 0) GTEST_SKIP() << "onvif-util is not installed";
        // onvif-util probes without choosing a card: in the one-host box that
        // needs loopback to carry multicast.
        ASSERT_EQ(std::system("ip link set lo multicast on && (ip route show 224.0.0.0/4 | grep -q . || "
                              "ip route add 224.0.0.0/4 dev lo)"),
                  0);
    }

    // Its sign-in opens an interactive session: stdin from /dev/null ends it.
    CliRun OnvifUtil(const std::string& args) {
        const std::string n = std::to_string(runs++);
        return RunForText({"/bin/sh", "-c", "exec /usr/bin/onvif-util " + args + " </dev/null"},
                          files.File("util-out" + n), files.File("util-err" + n), {}, std::chrono::seconds(30));
    }
};

TEST_F(OnvifUtilLan, ListsTheCamerasWithTheirNamesAndSignsInToOne) {
    StartCameras({});
    const CliRun all = OnvifUtil("-a");
    EXPECT_NE(all.out.find("127.77.0.10 onvif-cam-0"), std::string::npos) << all.out << all.err;
    EXPECT_NE(all.out.find("Lobby Camera 0"), std::string::npos) << all.out;

    const CliRun login = OnvifUtil(std::string("-u ") + kUser + " -p '" + kPassword + "' 127.77.0.10");
    EXPECT_NE(login.out.find("successfully connected to host"), std::string::npos) << login.out << login.err;
    const auto asked = Requests();
    EXPECT_NE(std::find(asked.begin(), asked.end(), "GetDeviceInformation"), asked.end());
}

}  // namespace
