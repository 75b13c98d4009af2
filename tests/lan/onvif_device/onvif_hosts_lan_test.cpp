// SPDX-License-Identifier: GPL-3.0-or-later
// A camera on another host of a several-hosts box stands at an address of
// that host's card, announces it, and is signed in to from host 1.

#include "tests/lan/onvif_device/onvif_device_lan_fixture.h"

namespace {

TEST_F(OnvifDeviceLan, ACameraOnAnotherHostServesAtItsCardAddress) {
    ASSERT_EQ(LanBoxShape(), "hosts");
    // Camera 3 of host 2: host .103 of the box's subnet.
    devsim =
        std::make_unique<DevsimProcess>(std::vector<std::string>{"--no-udp", "--onvif", "1", "--onvif-first", "3",
                                                                 "--onvif-user", kUser, "--onvif-password", kPassword},
                                        2);
    ASSERT_TRUE(devsim->Start()) << devsim->Error();
    const CliRun search = Run({"--filter", "ONVIF", "--format", "csv"});
    ASSERT_EQ(search.status, 0) << search.err;
    EXPECT_NE(search.out.find(",198.51.100.103,80,"), std::string::npos) << search.out;
    const CliRun info = Run({"onvif", "info", "--ip", "198.51.100.103", "--user", kUser});
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("\"address\": \"198.51.100.103\", \"prefix_length\": 24"), std::string::npos) << info.out;
}

}  // namespace
