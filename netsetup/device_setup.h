// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One device's network setup, whatever kind of row it came from: what the
// batch, the plan and the watch need to know of it and do with it.

#include <memory>
#include <optional>
#include <string>

#include "netsetup/control_package.h"
#include "protocol/com_unit_info.h"
#include "protocol/window_ops.h"

// The settings a device is given: a type and, for Static, its addresses.
struct NewSettings {
    NetworkType type = NetworkType::None;
    std::string ip, netmask, gateway, dns;
};

// What sending did: refused (nothing took, and why), or sent, with what the
// batch's line adds and whether a search can confirm it now.
struct SetupSent {
    std::optional<std::string> refused;
    std::string note;
    bool confirmable = true;

    static SetupSent Refused(std::string why) { return {std::move(why), {}, false}; }
};

class DeviceSetup {
public:
    virtual ~DeviceSetup() = default;
    virtual std::string Mac() const = 0;
    virtual std::string CurrentIp() const = 0;
    virtual std::string Name() const = 0;
    // Empty where the device can take settings, else why not.
    virtual std::string CannotTakeSettings() const = 0;
    // What the single Network Setup dialog would refuse of these settings.
    virtual std::optional<std::string> Refusal(const NewSettings& settings) const = 0;
    // Sends the settings (on the window thread, which may handle messages meanwhile).
    virtual SetupSent Send(WindowOps& form, const NewSettings& settings) = 0;
    // Where a later search shows the device with these settings, if it does.
    virtual std::optional<std::string> ConfirmedAt(const TComUnitList& found, const NewSettings& settings) const = 0;

    // A device that must be signed in to first, with a password not yet known.
    virtual bool AwaitsSignIn() const { return false; }
    // Off the window thread, before numbering: asks the device what its
    // setup needs (an ONVIF camera signs in). Empty when ready, else why it
    // is left alone.
    virtual std::string Prepare() { return {}; }
    // Only a search with WS-Discovery can confirm it.
    virtual bool ConfirmedByOnvifSearch() const { return false; }
};

// A device that answers the discovery query: the control package.
std::unique_ptr<DeviceSetup> MakeProtocolDeviceSetup(const tComUnitInfo& device);
// A row that takes no settings (UPnP, ONVIF): listed, never sent.
std::unique_ptr<DeviceSetup> MakeUnsupportedDeviceSetup(const tComUnitInfo& row);

// The setup a table row's record stands for: rows without a device MAC
// ("NULL": UPnP, ONVIF) take no settings for now.
std::unique_ptr<DeviceSetup> MakeDeviceSetupForRow(const tComUnitInfo& row);

inline constexpr const char* kCannotTakeSettingsText = "cannot take settings";

// What the single Network Setup dialog refuses of `settings` for this record.
std::optional<std::string> SettingsRefusal(const tComUnitInfo& record, const NewSettings& settings);

// The request a device's own texts and these settings make.
ControlRequest RequestWithSettings(const tComUnitInfo& device, const NewSettings& settings);
