// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A site's cameras as a CSV inventory, for the handover document: one line
// per camera with what its device service told. lanvaro-cli writes it, and
// the window's Camera Tasks can write the same bytes.

#include <string>
#include <vector>

#include "onvif/device_client.h"

struct OnvifInventoryRow {
    std::string name;      // the row's Name cell
    std::string ip;        // the address the camera was called at
    std::string endpoint;  // its endpoint reference; empty when not known
    OnvifDeviceFacts facts;
};

// The interface the MAC, DHCP and prefix length are taken from: the one
// holding the row's address, else the first; nullptr when none was read.
const OnvifNetworkInterface* OnvifInventoryCard(const OnvifInventoryRow& row);

// name,ip,endpoint,manufacturer,model,firmware,serial,hardware_id,mac,dhcp,
// prefix_length,gateway,dns,ntp,clock_offset_seconds
std::string OnvifInventoryHeader();

// One camera's line (no line break). MAC, DHCP and prefix length are those
// of the interface holding the row's address, else of the first; gateway and
// DNS lists are joined by a space; a fact not read is an empty cell.
std::string OnvifInventoryLine(const OnvifInventoryRow& row);

// The header line and a line per camera, each ending in a line break.
std::string FormatOnvifInventory(const std::vector<OnvifInventoryRow>& rows);
