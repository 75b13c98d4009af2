// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/window_ops.h"

#include <future>

#include "protocol/com_unit_info.h"

const char* const kGridHeaderTexts[kGridColumnCount] = {"Model", "Proj", "Name", "IP", "Port", "Netmask", "Mac"};

void WindowOps::Invoke(const std::function<void()>& task) {
    if (IsWindowThread()) {
        task();
        return;
    }
    std::promise<void> done;
    std::future<void> finished = done.get_future();
    Post([&task, &done] {
        task();
        done.set_value();
    });
    finished.wait();
}

std::string GridRowText(WindowOps& form, int row) {
    std::string text;
    for (int col = 0; col < kGridColumnCount; ++col) {
        text += form.Cell(col, row);
        text += "\r\n";
    }
    return text;
}

void ClearGridRow(WindowOps& form, int row) {
    for (int col = 0; col < kGridColumnCount; ++col) form.SetCell(col, row, std::string());
}

std::string GridCellText(const std::string& text) {
    std::string cell;
    cell.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            cell += ' ';
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            cell += text[i];
        }
    }
    return cell;
}

bool RowShowsRecord(const std::string& ipCell, const std::string& macCell, const tComUnitInfo& record) {
    return GridCellText(ComUnitFieldText(record.ip)) == ipCell && GridCellText(ComUnitFieldText(record.mac)) == macCell;
}

void WriteRecordRow(WindowOps& form, int row, const tComUnitInfo& record) {
    form.SetCell(kColModel, row, GridCellText(ComUnitFieldText(record.model)));
    form.SetCell(kColProj, row, GridCellText(ComUnitFieldText(record.proj)));
    form.SetCell(kColName, row, GridCellText(ComUnitFieldText(record.name)));
    form.SetCell(kColIp, row, GridCellText(ComUnitFieldText(record.ip)));
    form.SetCell(kColPort, row, GridCellText(ComUnitFieldText(record.trigger_port)));
    form.SetCell(kColNetmask, row, GridCellText(ComUnitFieldText(record.netmask)));
    form.SetCell(kColMac, row, GridCellText(ComUnitFieldText(record.mac)));
}
