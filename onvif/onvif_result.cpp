// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/onvif_result.h"

#include "onvif/onvif_engine.h"
#include "onvif/onvif_rows.h"
#include "protocol/window_ops.h"

void AppendOnvifRows(WindowOps& form, TComUnitList& list, const COnvifEngine& engine) {
    for (const std::string& line : engine.m_Log) form.Log(line);
    for (const OnvifDeviceInfo& device : engine.m_Devices) {
        std::string problem;
        const auto rec = OnvifDeviceRecord(device, problem);
        if (!rec) {
            form.Log("WS-Discovery: no row for " + device.endpoint + " from " + device.answeredFrom + ": " + problem);
            continue;
        }
        list.push_back(*rec);
        const int row = form.RowCount();
        form.SetRowCount(row + 1);
        WriteRecordRow(form, row, *rec);
    }
}
