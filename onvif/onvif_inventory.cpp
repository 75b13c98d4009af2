// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/onvif_inventory.h"

#include "protocol/csv_field.h"
#include "protocol/text_format.h"

const OnvifNetworkInterface* OnvifInventoryCard(const OnvifInventoryRow& row) {
    for (const OnvifNetworkInterface& card : row.facts.interfaces)
        if (!row.ip.empty() && card.address == row.ip) return &card;
    return row.facts.interfaces.empty() ? nullptr : &row.facts.interfaces.front();
}

std::string OnvifInventoryHeader() {
    return "name,ip,endpoint,manufacturer,model,firmware,serial,hardware_id,mac,dhcp,prefix_length,gateway,dns,ntp,"
           "clock_offset_seconds";
}

std::string OnvifInventoryLine(const OnvifInventoryRow& row) {
    const OnvifDeviceFacts& f = row.facts;
    const OnvifNetworkInterface* card = OnvifInventoryCard(row);
    // What the camera or the network said passes the formula guard; the
    // numbers written here are ours (a negative offset stays a number).
    std::string line = CsvField(row.name);
    for (const std::string* text :
         {&row.ip, &row.endpoint, &f.manufacturer, &f.model, &f.firmware, &f.serial, &f.hardwareId})
        line += "," + CsvField(*text);
    line += "," + CsvField(card != nullptr ? card->mac : std::string());
    line += "," + (card != nullptr ? std::string(card->dhcp ? "true" : "false") : std::string());
    line += "," + (card != nullptr ? std::to_string(card->prefixLength) : std::string());
    line += "," + CsvField(Joined(f.gateway, " ")) + "," + CsvField(Joined(f.dns, " "));
    line += "," + (f.ntp ? std::string(*f.ntp ? "true" : "false") : std::string());
    line += "," + (f.clockOffsetSeconds ? Tenths(*f.clockOffsetSeconds) : std::string());
    return line;
}

std::string FormatOnvifInventory(const std::vector<OnvifInventoryRow>& rows) {
    std::string text = OnvifInventoryHeader() + "\n";
    for (const OnvifInventoryRow& row : rows) text += OnvifInventoryLine(row) + "\n";
    return text;
}
