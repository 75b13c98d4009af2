// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The other side of the HTTP command search: the device table page a relay
// serves for "/device.get", as html_table_parser.h reads it. Plain C++.

#include <string>

#include "protocol/com_unit_info.h"

struct DeviceTablePage {
    std::string html;
    int rows = 0;     // devices on the page
    int leftOut = 0;  // devices passing the filter whose texts cannot go on it
};

// One row of seven cells per device that passes the project filter, under a
// heading row; "No available items" within four lines when there is none.
// The reader decodes no entities, so texts go verbatim, and a device whose
// cells would hold a '<', '>', CR or LF (which would break its row, or the
// lines) is left out.
DeviceTablePage MakeDeviceTablePage(const TComUnitList& devices, const std::string& filter);
