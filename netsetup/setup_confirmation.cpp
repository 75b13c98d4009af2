// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/setup_confirmation.h"

SetupTarget SetupTargetFor(const ControlRequest& request) {
    return {request.mac, request.type, request.ip, request.netmask, request.gateway, request.dns};
}

const tComUnitInfo* FindConfirmingRecord(const TComUnitList& found, const SetupTarget& target) {
    for (const tComUnitInfo& record : found) {
        if (ComUnitFieldText(record.mac) != target.mac) continue;
        if (target.type == NetworkType::Dhcp) return &record;
        if (ComUnitFieldText(record.ip) == target.ip && ComUnitFieldText(record.netmask) == target.netmask &&
            ComUnitFieldText(record.gateway) == target.gateway && ComUnitFieldText(record.dns) == target.dns) {
            return &record;
        }
    }
    return nullptr;
}
