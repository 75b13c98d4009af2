// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/device_info_form.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "web/detail_dialogs.h"

namespace {
constexpr int kEditWidth = 125;
}

TFormInfo::TFormInfo(QWidget* Owner) : QDialog(Owner) {
    setObjectName(QStringLiteral("FormInfo"));
    setWindowTitle(QStringLiteral("Detail Info."));
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 12, 16, 16);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(10);
    EditModel = AddDetailRow(grid, "Model", "EditModel", kEditWidth);
    EditProj = AddDetailRow(grid, "Projet", "EditProj", kEditWidth);
    EditName = AddDetailRow(grid, "Name", "EditName", kEditWidth);
    EditIP = AddDetailRow(grid, "IP", "EditIP", kEditWidth);
    EditPort = AddDetailRow(grid, "Port", "EditPort", kEditWidth);
    EditNetmask = AddDetailRow(grid, "Netmask", "EditNetmask", kEditWidth);
    EditMac = AddDetailRow(grid, "Mac", "EditMac", kEditWidth);
    EditGateway = AddDetailRow(grid, "Gateway", "EditGateway", kEditWidth);
    EditDNS = AddDetailRow(grid, "DNS", "EditDNS", kEditWidth);
    EditDev = AddDetailRow(grid, "Dev", "EditDev", kEditWidth);
    EditNote = AddDetailRow(grid, "Note", "EditNote", kEditWidth);
    BitBtn1 = AddOkButton(this, grid, 75);
    grid->setColumnStretch(2, 1);
    // 242 x 454 is the design's outer size; the client area is that less a
    // title bar.
    resize(242, 424);
}

void TFormInfo::SetRecord(const tComUnitInfo& record) {
    SetDetailText(EditModel, ComUnitFieldText(record.model));
    SetDetailText(EditProj, ComUnitFieldText(record.proj));
    SetDetailText(EditName, ComUnitFieldText(record.name));
    SetDetailText(EditIP, ComUnitFieldText(record.ip));
    SetDetailText(EditPort, ComUnitFieldText(record.trigger_port));
    SetDetailText(EditNetmask, ComUnitFieldText(record.netmask));
    SetDetailText(EditMac, ComUnitFieldText(record.mac));
    SetDetailText(EditGateway, ComUnitFieldText(record.gateway));
    SetDetailText(EditDNS, ComUnitFieldText(record.dns));
    SetDetailText(EditDev, ComUnitFieldText(record.dev));
    SetDetailText(EditNote, ComUnitFieldText(record.note));
}
