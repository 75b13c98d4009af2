// SPDX-License-Identifier: GPL-3.0-or-later
// The camera inventory's CSV: the interface that holds the camera's address,
// lists joined, facts not read left empty, and camera text made harmless for
// a spreadsheet and a terminal.

#include "onvif/onvif_inventory.h"

#include <gtest/gtest.h>

namespace {

TEST(OnvifInventory, WritesOneGuardedLinePerCamera) {
    OnvifInventoryRow read;
    read.name = "=HYPERLINK(\"http://x\")";
    read.ip = "203.0.113.7";
    read.endpoint = "urn:uuid:1";
    read.facts.manufacturer = "Quill, Optics";
    read.facts.model = "Q\x1b[2J";
    read.facts.firmware = "2.1";
    read.facts.serial = "-S1";
    read.facts.hardwareId = "rev";
    read.facts.interfaces = {{"eth0", true, "02:00:00:00:00:01", true, "198.51.100.3", 24},
                             {"eth1", true, "02:00:00:00:00:02", false, "203.0.113.7", 16}};
    read.facts.gateway = {"203.0.113.1", "203.0.113.2"};
    read.facts.dns = {"203.0.113.53"};
    read.facts.ntp = false;
    read.facts.clockOffsetSeconds = -12.34;

    OnvifInventoryRow unread;
    unread.name = "Gate";
    unread.ip = "203.0.113.8";

    EXPECT_EQ(FormatOnvifInventory({read, unread}),
              "name,ip,endpoint,manufacturer,model,firmware,serial,hardware_id,mac,dhcp,prefix_length,gateway,dns,"
              "ntp,clock_offset_seconds\n"
              "\"'=HYPERLINK(\"\"http://x\"\")\",203.0.113.7,urn:uuid:1,\"Quill, Optics\",Q\\x1b[2J,2.1,'-S1,rev,"
              "02:00:00:00:00:02,false,16,203.0.113.1 203.0.113.2,203.0.113.53,false,-12.3\n"
              "Gate,203.0.113.8,,,,,,,,,,,,,\n");
}

}  // namespace
