// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Finishes every search that includes UPnP: waits for the engine off the
// window thread, then turns the kept devices into records and rows there.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "protocol/com_unit_info.h"
#include "protocol/device_information_container.h"
#include "upnp/manual_reset_event.h"

class WindowOps;
class CPortForwardEngine;

// Waits for every event (null ones are skipped) off the window thread after
// setting the button's caption, then posts `collect`. Never blocks on the
// window thread.
void PartsResultThread(WindowOps& form, std::string caption, std::vector<std::shared_ptr<ManualResetEvent>> events,
                       std::function<void()> collect);

// One record and row per kept device of the engine's last search, appended.
void AppendUpnpRows(WindowOps& form, TComUnitList& list, const CPortForwardEngine& engine);

// The end of every search with a UPnP or ONVIF part: the count label (a
// blank data row when nothing was found) and the button given back.
void WriteCollectionEnding(WindowOps& form);
// The button given back alone, for an ending that adds no rows.
void GiveSearchButtonBack(WindowOps& form);

// The record a kept device becomes; empty when the device is skipped (other
// maker, Vivotek name without "(", presentation URL without an address, or
// an address that does not fit the record).
std::optional<tComUnitInfo> UpnpDeviceRecord(const DeviceInformationContainer& device);
