// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/setup_safety.h"

#include <gtest/gtest.h>

#include "tests/support/fake_window.h"

// The camera at 198.51.100.5 is listed three times: its own row, and its UPnP and
// ONVIF rows, which carry "NULL" for a MAC. A gate holds 198.51.100.9.
TEST(DeviceHoldingAddress, OnlyAnotherDeviceAtTheNewAddressConflicts) {
    const TComUnitList list = {
        MakeRecord({"IPCAM", "P1", "Door", "198.51.100.5", "80", "255.255.255.0", "", "", "00:11:22:33:44:55", "", ""}),
        MakeRecord({"Axis", "Axis", "Door", "198.51.100.5", "80", "NULL", "", "", "NULL", "", ""}),
        MakeRecord({"IPC", "ONVIF", "Door", "198.51.100.5", "80", "NULL", "", "", "NULL", "", ""}),
        MakeRecord({"IPCAM", "P1", "Gate", "198.51.100.9", "80", "255.255.255.0", "", "", "00:11:22:33:44:66", "", ""}),
    };
    ControlRequest request;
    request.type = NetworkType::Static;
    request.mac = "00:11:22:33:44:55";

    request.ip = "198.51.100.5";  // only the gateway or DNS change
    EXPECT_EQ(DeviceHoldingAddress(list, request, "198.51.100.5"), nullptr);

    request.ip = "198.51.100.9";
    const tComUnitInfo* other = DeviceHoldingAddress(list, request, "198.51.100.5");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(ComUnitFieldText(other->name), "Gate");

    request.ip = "198.51.100.7";
    EXPECT_EQ(DeviceHoldingAddress(list, request, "198.51.100.5"), nullptr);
}
