// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/device_reader.h"

#include "upnp/device_facts.h"
#include "upnp/gobject_ref.h"

namespace {

// Device descriptions are XML and so UTF-8, but a faulty device can still
// hand over bytes the window cannot show; those are mended, never passed on.
std::string Utf8Text(const char* text) {
    if (text == nullptr) return {};
    if (g_utf8_validate(text, -1, nullptr)) return text;
    GCharPtr valid(g_utf8_make_valid(text, -1));
    return valid.get();
}

std::string TakeText(char* text) {
    GCharPtr owned(text);
    return Utf8Text(owned.get());
}

int CountAndFree(GList* list) {
    const int n = static_cast<int>(g_list_length(list));
    g_list_free_full(list, g_object_unref);
    return n;
}

}  // namespace

void ReadDeviceInformation(GUPnPDeviceInfo* info, DeviceInformationContainer& record, const DeviceLineage& lineage) {
    const int children = CountAndFree(gupnp_device_info_list_devices(info));
    const int services = CountAndFree(gupnp_device_info_list_services(info));

    record.Children = ChildrenSummary(children);
    record.Description = TakeText(gupnp_device_info_get_model_description(info));
    record.FriendlyName = TakeText(gupnp_device_info_get_friendly_name(info));
    record.HasChildren = YesNo(children > 0);
    record.IconURL = TakeText(
        gupnp_device_info_get_icon_url(info, "image/gif", 8, 32, 32, FALSE, nullptr, nullptr, nullptr, nullptr));
    record.IsRootDevice = YesNo(!lineage.parentName);
    record.ManufacturerName = TakeText(gupnp_device_info_get_manufacturer(info));
    record.ManufacturerURL = TakeText(gupnp_device_info_get_manufacturer_url(info));
    record.ModelName = TakeText(gupnp_device_info_get_model_name(info));
    record.ModelNumber = TakeText(gupnp_device_info_get_model_number(info));
    record.ModelURL = TakeText(gupnp_device_info_get_model_url(info));
    record.ParentDevice = TopmostOr(lineage.parentName);
    record.PresentationURL = TakeText(gupnp_device_info_get_presentation_url(info));
    record.RootDevice = TopmostOr(lineage.parentName ? lineage.rootName : std::nullopt);
    record.SerialNumber = TakeText(gupnp_device_info_get_serial_number(info));
    record.Services = ServicesSummary(services);
    record.Type = Utf8Text(gupnp_device_info_get_device_type(info));
    record.UniqueDeviceName = Utf8Text(gupnp_device_info_get_udn(info));
    record.UPC = TakeText(gupnp_device_info_get_upc(info));
}

DeviceLineage ChildLineage(GUPnPDeviceInfo* info, const DeviceLineage& lineage) {
    DeviceLineage child;
    child.parentName = TakeText(gupnp_device_info_get_friendly_name(info));
    child.rootName = lineage.parentName ? lineage.rootName : child.parentName;
    return child;
}
