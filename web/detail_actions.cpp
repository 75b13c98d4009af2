// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/detail_actions.h"

#include "onvif/onvif_rows.h"
#include "protocol/window_ops.h"
#include "upnp/presentation_url.h"
#include "web/browse_url.h"

std::vector<const tComUnitInfo*> RowRecords(WindowOps& form, const TComUnitList& list, int SelectedRow) {
    std::vector<const tComUnitInfo*> matches;
    // Row 0 is the header: its "IP" and "Mac" texts are no device's key.
    if (SelectedRow < 1 || SelectedRow >= form.RowCount()) return matches;
    const std::string ip = form.Cell(kColIp, SelectedRow);
    const std::string mac = form.Cell(kColMac, SelectedRow);
    const bool onvifRow = IsOnvifRow(form, SelectedRow);
    for (const tComUnitInfo& rec : list)
        if (RowShowsRecord(ip, mac, rec) &&
            (ComUnitFieldText(rec.proj) == kOnvifProj && ComUnitFieldText(rec.mac) == "NULL") == onvifRow)
            matches.push_back(&rec);
    return matches;
}

bool IsUpnpRowMac(const std::string& macCell) { return macCell.find("NULL") != std::string::npos; }

bool IsOnvifRow(WindowOps& form, int row) {
    return form.Cell(kColProj, row) == kOnvifProj && form.Cell(kColMac, row) == "NULL";
}

std::vector<const DeviceInformationContainer*> UpnpDevicesOfRecord(
    const tComUnitInfo& record, const std::vector<DeviceInformationContainer>& devices) {
    std::vector<const DeviceInformationContainer*> found;
    const std::string ip = ComUnitFieldText(record.ip);
    // The same rule that gave the row its address, so 10.0.0.1 never picks
    // up the device at 10.0.0.12.
    for (const DeviceInformationContainer& device : devices) {
        const auto address = AddressFromPresentationUrl(device.PresentationURL);
        if (address && address->ip == ip) found.push_back(&device);
    }
    return found;
}

void Info1Click(WindowOps& form, const TComUnitList& list, const std::vector<DeviceInformationContainer>& devices,
                int SelectedRow, const std::vector<OnvifDeviceInfo>& onvifDevices) {
    const std::vector<const tComUnitInfo*> matches = RowRecords(form, list, SelectedRow);
    if (matches.empty()) return;
    // Everything is copied before the first dialog: a dialog runs the event
    // loop, where a UPnP collection may append to the list and so move it.
    if (IsOnvifRow(form, SelectedRow)) {
        std::vector<OnvifDeviceInfo> shown;
        for (const OnvifDeviceInfo& device : onvifDevices)
            for (const tComUnitInfo* rec : matches)
                if (RecordOfOnvifDevice(*rec, device)) {
                    shown.push_back(device);
                    break;
                }
        for (const OnvifDeviceInfo& device : shown) form.ShowOnvifDeviceInfo(device);
        return;
    }
    if (IsUpnpRowMac(form.Cell(kColMac, SelectedRow))) {
        std::vector<DeviceInformationContainer> shown;
        for (const tComUnitInfo* rec : matches)
            for (const DeviceInformationContainer* device : UpnpDevicesOfRecord(*rec, devices))
                shown.push_back(*device);
        for (const DeviceInformationContainer& device : shown) form.ShowUpnpDeviceInfo(device);
        return;
    }
    const std::string ipCell = form.Cell(kColIp, SelectedRow);
    std::vector<tComUnitInfo> records;
    for (const tComUnitInfo* rec : matches) records.push_back(*rec);
    for (const tComUnitInfo& rec : records) {
        form.Log(ipCell);
        form.ShowDeviceInfo(rec);
    }
}

void Browser1Click(WindowOps& form, const TComUnitList& list, int SelectedRow) {
    const std::vector<const tComUnitInfo*> matches = RowRecords(form, list, SelectedRow);
    if (matches.empty()) return;
    const tComUnitInfo& rec = *matches.front();
    const std::string ip = ComUnitFieldText(rec.ip);
    const PageAddress page = MakePageAddress(ip, ComUnitFieldText(rec.trigger_port));
    if (!page.url) {
        form.Log("Browse: no page opened for \"" + PrintableText(ip) + "\": " + page.problem);
        return;
    }
    if (!form.OpenUrl(*page.url)) form.Log("Browse: the browser could not be started for " + *page.url);
}
