// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/device_setup.h"

#include "netsetup/setup_confirmation.h"

ControlRequest RequestWithSettings(const tComUnitInfo& device, const NewSettings& settings) {
    ControlRequest request = ControlRequestFor(device);
    request.type = settings.type;
    // DHCP keeps the device's own addresses in the package, as the dialog does.
    if (TakesTheSentAddress(settings.type)) {
        request.ip = settings.ip;
        request.netmask = settings.netmask;
        request.gateway = settings.gateway;
        request.dns = settings.dns;
    }
    return request;
}

std::optional<std::string> SettingsRefusal(const tComUnitInfo& record, const NewSettings& settings) {
    const ControlRequest request = RequestWithSettings(record, settings);
    if (request.type == NetworkType::None) return std::string(kNoNetworkTypeText);
    if (const auto rejected = FirstRejectedField(request))
        return InvalidFieldMessage(*rejected, RequestFieldText(request, *rejected));
    return std::nullopt;
}

namespace {

class RecordSetup : public DeviceSetup {
public:
    explicit RecordSetup(const tComUnitInfo& record) : record_(record) {}
    std::string Mac() const override { return ComUnitFieldText(record_.mac); }
    std::string CurrentIp() const override { return ComUnitFieldText(record_.ip); }
    std::string Name() const override { return ComUnitFieldText(record_.name); }

protected:
    tComUnitInfo record_;
};

class ProtocolDeviceSetup final : public RecordSetup {
public:
    using RecordSetup::RecordSetup;
    std::string CannotTakeSettings() const override { return {}; }
    std::optional<std::string> Refusal(const NewSettings& settings) const override {
        return SettingsRefusal(record_, settings);
    }
    SetupSent Send(WindowOps& form, const NewSettings& settings) override {
        if (auto refused = Refusal(settings)) return SetupSent::Refused(*refused);
        if (SendControlPackage(form, MakeControlRecord(RequestWithSettings(record_, settings)), CurrentIp()) != 0)
            return SetupSent::Refused(kControlFailedText);
        return {};
    }
    std::optional<std::string> ConfirmedAt(const TComUnitList& found, const NewSettings& settings) const override {
        const tComUnitInfo* record =
            FindConfirmingRecord(found, SetupTargetFor(RequestWithSettings(record_, settings)));
        if (record == nullptr) return std::nullopt;
        return ComUnitFieldText(record->ip);
    }
};

class UnsupportedDeviceSetup final : public RecordSetup {
public:
    using RecordSetup::RecordSetup;
    std::string CannotTakeSettings() const override { return kCannotTakeSettingsText; }
    std::optional<std::string> Refusal(const NewSettings&) const override { return CannotTakeSettings(); }
    SetupSent Send(WindowOps&, const NewSettings&) override { return SetupSent::Refused(CannotTakeSettings()); }
    std::optional<std::string> ConfirmedAt(const TComUnitList&, const NewSettings&) const override {
        return std::nullopt;
    }
};

}  // namespace

std::unique_ptr<DeviceSetup> MakeProtocolDeviceSetup(const tComUnitInfo& device) {
    return std::make_unique<ProtocolDeviceSetup>(device);
}

std::unique_ptr<DeviceSetup> MakeUnsupportedDeviceSetup(const tComUnitInfo& row) {
    return std::make_unique<UnsupportedDeviceSetup>(row);
}

std::unique_ptr<DeviceSetup> MakeDeviceSetupForRow(const tComUnitInfo& row) {
    if (ComUnitFieldText(row.mac).find("NULL") != std::string::npos) return MakeUnsupportedDeviceSetup(row);
    return MakeProtocolDeviceSetup(row);
}
