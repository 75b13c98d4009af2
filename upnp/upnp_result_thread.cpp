// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/upnp_result_thread.h"

#include <optional>

#include "protocol/text_format.h"
#include "protocol/window_ops.h"
#include "upnp/port_forward_engine.h"
#include "upnp/presentation_url.h"

namespace {

tComUnitInfo RecordTemplate() {
    tComUnitInfo rec{};
    SetComUnitField(rec.netmask, "NULL");
    SetComUnitField(rec.gateway, "NULL");
    SetComUnitField(rec.dns, "NULL");
    SetComUnitField(rec.mac, "NULL");
    SetComUnitField(rec.dev, "NULL");
    SetComUnitField(rec.note, "NULL");
    return rec;
}

}  // namespace

void GiveSearchButtonBack(WindowOps& form) {
    form.SetButton1Enabled(true);
    form.SetButton1Caption("Lanvaro");
}

std::optional<tComUnitInfo> UpnpDeviceRecord(const DeviceInformationContainer& device) {
    tComUnitInfo rec = RecordTemplate();
    if (device.ManufacturerName.find("AXIS") != std::string::npos) {
        SetComUnitField(rec.model, "Axis 200 Series");
        SetComUnitField(rec.proj, "Axis 200 Series");
        SetComUnitField(rec.name, device.Description);
    } else if (device.ManufacturerName.find("Vivotek") != std::string::npos) {
        SetComUnitField(rec.model, "VivoTek 7000 Series");
        SetComUnitField(rec.proj, "VivoTek 7000 Series");
        const std::size_t paren = device.FriendlyName.find('(');
        if (paren == std::string::npos) return std::nullopt;
        SetComUnitField(rec.name, device.FriendlyName.substr(0, paren));
    } else {
        return std::nullopt;
    }
    const auto address = AddressFromPresentationUrl(device.PresentationURL);
    if (!address) return std::nullopt;
    // A cut address would name another host; such a device gets no row.
    if (address->ip.size() >= sizeof rec.ip || address->port.size() >= sizeof rec.trigger_port) return std::nullopt;
    SetComUnitField(rec.ip, address->ip);
    SetComUnitField(rec.trigger_port, address->port);
    return rec;
}

void PartsResultThread(WindowOps& form, std::string caption, std::vector<std::shared_ptr<ManualResetEvent>> events,
                       std::function<void()> collect) {
    form.Post([&form, caption = std::move(caption)] { form.SetButton1Caption(caption); });
    for (const auto& event : events)
        if (event) event->Wait();
    form.Post(std::move(collect));
}

void AppendUpnpRows(WindowOps& form, TComUnitList& list, const CPortForwardEngine& engine) {
    for (const DeviceInformationContainer& device : engine.m_Devices) {
        const auto rec = UpnpDeviceRecord(device);
        if (!rec) continue;
        list.push_back(*rec);
        const int row = form.RowCount();
        form.SetRowCount(row + 1);
        WriteRecordRow(form, row, *rec);
    }
}

void WriteCollectionEnding(WindowOps& form) {
    if (form.RowCount() <= 1) {
        form.SetRowCount(2);
        form.SetHeaderRowFixed(true);
        form.SetLabel1Caption("0 device(s) found!");
    } else {
        form.SetLabel1Caption(StrFormat("%d device(s) found!", form.RowCount() - 1));
        form.SetHeaderRowFixed(true);
    }
    GiveSearchButtonBack(form);
}
