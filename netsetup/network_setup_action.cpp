// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/network_setup_action.h"

#include <string>

void NetworkSetup1Click(WindowOps& form, const TComUnitList& list, int SelectedRow) {
    if (SelectedRow < 0 || SelectedRow >= form.RowCount()) {
        return;
    }
    const std::string ip = form.Cell(kColIp, SelectedRow);
    const std::string mac = form.Cell(kColMac, SelectedRow);
    // Walk a copy: UPnP results still arriving are appended to the list
    // while the modal dialog runs its event loop, which would invalidate an
    // iteration over the list itself.
    const TComUnitList records = list;
    for (const tComUnitInfo& record : records) {
        if (!RowShowsRecord(ip, mac, record)) continue;
        // UPnP rows carry "NULL" where the device protocol's fields would be;
        // they cannot take a control package.
        if (mac.find("NULL") != std::string::npos) {
            return;
        }
        form.Log(ip);
        form.ShowNetworkSetup(record);
    }
}
