// SPDX-License-Identifier: GPL-3.0-or-later
// A search from a host with a network card on each of two segments lists the
// devices of both. With one unbound broadcast only segment A's were listed.

#include "tests/lan/driver/driver_lan_fixture.h"

namespace {

class DriverTwoSegments : public DriverLan {
protected:
    // devsim on `host` with these device lines.
    std::unique_ptr<DevsimProcess> StartOn(int host, const std::vector<std::string>& lines) {
        const std::string name = "devices" + std::to_string(host);
        std::string text;
        for (const auto& line : lines) text += line + "\n";
        EXPECT_TRUE(WriteFile(files.File(name), text));
        auto sim = std::make_unique<DevsimProcess>(std::vector<std::string>{"--devices", files.File(name)}, host);
        EXPECT_TRUE(sim->Start()) << sim->Error();
        return sim;
    }
};

TEST_F(DriverTwoSegments, LocalBroadcastSearchListsDevicesOfBothSegments) {
    if (LanBoxAddresses().size() < 3 || LanBoxHost1Addresses().size() < 2)
        GTEST_SKIP() << "needs scripts/lanbox hosts 3 --segments 2";
    auto segmentA = StartOn(2, {Device("A1", "P1", 1), Device("A2", "P1", 2)});
    auto segmentB = StartOn(3, {Device("B1", "P1", 3), Device("B2", "P1", 4), Device("B3", "P1", 5)});
    form.proj = "P1";
    Search();
    EXPECT_EQ(Column(kColModel), (std::vector<std::string>{"B3", "B2", "B1", "A2", "A1"}));
    EXPECT_EQ(form.label1Caption, "5 device(s) found!");
}

}  // namespace
