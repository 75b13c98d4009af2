// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one ending of a search with a UPnP or ONVIF part, on the window
// thread: the filter decided again, the rows of each part that ran, the
// events closed, the count label written and the button given back once.

#include "protocol/com_unit_info.h"

class WindowOps;
class CPortForwardEngine;
class COnvifEngine;

// "UPNP" and "ONVIF" first cut the table to its header row; "ALL" keeps the
// package rows and appends the UPnP rows, then the ONVIF rows. Any other
// filter (changed during the wait) adds nothing and keeps the label. `proj`
// is the search's filter as it stands at the collection.
// `...Started` are false when the part's engine did not search in this run.
void CollectSearchParts(WindowOps& form, const std::string& proj, TComUnitList& list, CPortForwardEngine& upnp,
                        bool upnpStarted, COnvifEngine& onvif, bool onvifStarted);
