// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a device's descriptive texts from its GUPnP description.

#include <optional>
#include <string>

#include <libgupnp/gupnp.h>

#include "protocol/device_information_container.h"

// Where a device sits in its description. GUPnP does not let a device
// object name its parent, so the caller, who reached the device either
// through a root-device search or through its parent, says so.
struct DeviceLineage {
    std::optional<std::string> parentName;  // empty: a topmost device
    std::optional<std::string> rootName;
};

// Fills the nineteen fields from `info`; a value the description lacks
// leaves its field empty (the summaries and yes/no fields are always set).
void ReadDeviceInformation(GUPnPDeviceInfo* info, DeviceInformationContainer& record,
                           const DeviceLineage& lineage = {});

// The lineage of `info`'s embedded devices: `info` is their parent, and
// their root is `info`'s root or, for a topmost `info`, `info` itself.
DeviceLineage ChildLineage(GUPnPDeviceInfo* info, const DeviceLineage& lineage);
