// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the camera actions need of the main window's logic: the row the user
// acts on, the devices and cameras listed, and the watch after a change. The
// window implements it; the camera room never reaches up to the window.

#include <map>
#include <string>
#include <vector>

#include "camera/onvif_setup_confirmation.h"
#include "netsetup/net_form_logic.h"
#include "protocol/com_unit_info.h"
#include "protocol/onvif_device_info.h"

class CameraHost {
public:
    virtual ~CameraHost() = default;
    // The data row the row actions act on.
    virtual int ActedOnRow() const = 0;
    virtual const TComUnitList& ListedDevices() const = 0;
    // The cameras behind the table's ONVIF rows; nullptr while a search fills the list.
    virtual const std::vector<OnvifDeviceInfo>* OnvifDevicesListed() const = 0;
    // The cameras the search that just ended found; nullptr when it did not ask.
    virtual const std::vector<OnvifDeviceInfo>* OnvifDevicesOfLastSearch() const = 0;
    virtual NetSetupContext SetupContext() = 0;
    // Searches again until the camera answers at its new address.
    virtual void StartOnvifSetupWatch(const OnvifSetupTarget& target) = 0;
    // Where the watches of this run saw cameras answer after a change Lanvaro
    // sent them (endpoint to address), and a move a batch's watch saw.
    virtual const std::map<std::string, std::string>& OnvifMoves() const = 0;
    virtual void NoteOnvifMove(const std::string& endpoint, const std::string& ip) = 0;
};
