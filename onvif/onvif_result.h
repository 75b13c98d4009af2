// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The ONVIF rows of a search's ending, made on the window thread.

#include "protocol/com_unit_info.h"

class WindowOps;
class COnvifEngine;

// Writes the search's diagnostic lines to the log, then appends one record
// and one row per device with a usable address (a device without one is
// logged instead).
void AppendOnvifRows(WindowOps& form, TComUnitList& list, const COnvifEngine& engine);
