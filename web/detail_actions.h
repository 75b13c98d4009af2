// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two actions on the selected row of the result grid: the detail
// dialogs and the device's web page. The window's handlers forward here.

#include <string>
#include <vector>

#include "protocol/com_unit_info.h"
#include "protocol/device_information_container.h"
#include "protocol/onvif_device_info.h"

class WindowOps;

// The records behind grid row `SelectedRow`: those whose ip and mac equal the
// row's IP and Mac cells, in list order, and that are ONVIF records exactly
// when the row is an ONVIF row (a camera may give a UPnP and an ONVIF row of
// one address). Empty for the header row and for a row at or past the row
// count.
std::vector<const tComUnitInfo*> RowRecords(WindowOps& form, const TComUnitList& list, int SelectedRow);

// True when the Mac cell marks a row made by the UPnP or ONVIF search.
bool IsUpnpRowMac(const std::string& macCell);

// True for a row the ONVIF search made: Proj "ONVIF" and Mac "NULL".
bool IsOnvifRow(WindowOps& form, int row);

// The devices whose presentation URL names the record's address as its host.
std::vector<const DeviceInformationContainer*> UpnpDevicesOfRecord(
    const tComUnitInfo& record, const std::vector<DeviceInformationContainer>& devices);

// "Detail Info.": one dialog per matching record, for a UPnP row one per
// device of that address, for an ONVIF row one per device of its records;
// the dialogs open one after the other.
void Info1Click(WindowOps& form, const TComUnitList& list, const std::vector<DeviceInformationContainer>& devices,
                int SelectedRow, const std::vector<OnvifDeviceInfo>& onvifDevices = {});

// "Browse": the first matching record's page in the desktop's browser.
void Browser1Click(WindowOps& form, const TComUnitList& list, int SelectedRow);
