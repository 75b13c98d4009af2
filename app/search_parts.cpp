// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/search_parts.h"

#include "app/main_form_logic.h"
#include "onvif/onvif_result.h"
#include "protocol/locale_text.h"
#include "protocol/window_ops.h"
#include "upnp/upnp_result_thread.h"

bool HasOnvifPart(const std::string& projText) {
    return SameTextIgnoreCase(projText, "ALL") || SameTextIgnoreCase(projText, "ONVIF");
}

void CollectSearchParts(WindowOps& form, const std::string& proj, TComUnitList& list, CPortForwardEngine& upnp,
                        bool upnpStarted, COnvifEngine& onvif, bool onvifStarted) {
    const bool all = SameTextIgnoreCase(proj, "ALL");
    const bool upnpOnly = SameTextIgnoreCase(proj, "UPNP");
    const bool onvifOnly = SameTextIgnoreCase(proj, "ONVIF");
    if (upnpOnly || onvifOnly) form.SetRowCount(1);
    if (all || upnpOnly) {
        if (upnpStarted) AppendUpnpRows(form, list, upnp);
    }
    if (all || onvifOnly) {
        if (onvifStarted) AppendOnvifRows(form, list, onvif);
    }
    upnp.m_hSearchEvent.reset();
    onvif.m_hSearchEvent.reset();
    if (all || upnpOnly || onvifOnly) {
        WriteCollectionEnding(form);
    } else {
        GiveSearchButtonBack(form);
    }
}
