// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pop-up menu's "Network Setup" item.

#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"

// Opens the network setup dialog (form.ShowNetworkSetup) for every record of
// the list whose ip and mac equal the selected row's IP and Mac cells, in
// list order. A row whose Mac cell holds "NULL" opens nothing.
void NetworkSetup1Click(WindowOps& form, const TComUnitList& list, int SelectedRow);
