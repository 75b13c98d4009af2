// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/upnp_device_info_form.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>

#include "web/detail_dialogs.h"

namespace {
constexpr int kEditWidth = 300;
}

TForm1::TForm1(QWidget* Owner) : QDialog(Owner) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Upnp Device Detail Info."));
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 20, 16, 20);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    EditChild = AddDetailRow(grid, "Child", "EditChild", kEditWidth);
    EditDescription = AddDetailRow(grid, "Description", "EditDescription", kEditWidth);
    EditFriendName = AddDetailRow(grid, "Friendlyname", "EditFriendName", kEditWidth);
    EditHasCh = AddDetailRow(grid, "HasChildren", "EditHasCh", kEditWidth);
    EditIconURL = AddDetailRow(grid, "IconURL", "EditIconURL", kEditWidth);
    EditIsRooDev = AddDetailRow(grid, "IsRootDevice", "EditIsRooDev", kEditWidth);
    EditManuName = AddDetailRow(grid, "ManufacturerName", "EditManuName", kEditWidth);
    EditManuURL = AddDetailRow(grid, "ManufacturerURL", "EditManuURL", kEditWidth);
    EditModelName = AddDetailRow(grid, "ModelName", "EditModelName", kEditWidth);
    EditModelNum = AddDetailRow(grid, "ModelNumber", "EditModelNum", kEditWidth);
    EditModelURL = AddDetailRow(grid, "ModelURL", "EditModelURL", kEditWidth);
    EditParentDev = AddDetailRow(grid, "ParentDevice", "EditParentDev", kEditWidth);
    EditPresURL = AddDetailRow(grid, "PresentationURL", "EditPresURL", kEditWidth);
    EditRootDev = AddDetailRow(grid, "RootDevice", "EditRootDev", kEditWidth);
    EditSeriaNum = AddDetailRow(grid, "SerialNumber", "EditSeriaNum", kEditWidth);
    EditService = AddDetailRow(grid, "Services", "EditService", kEditWidth);
    EditType = AddDetailRow(grid, "Type", "EditType", kEditWidth);
    EditUniqName = AddDetailRow(grid, "UniqueDeviceName", "EditUniqName", kEditWidth);
    EditUPC = AddDetailRow(grid, "UPC", "EditUPC", kEditWidth);
    BitBtn1 = AddOkButton(this, grid, 297);
    grid->setColumnStretch(2, 1);
    setFixedSize(479, 642);
}

void TForm1::SetDevice(const DeviceInformationContainer& device) {
    SetDetailText(EditChild, device.Children);
    SetDetailText(EditDescription, device.Description);
    SetDetailText(EditFriendName, device.FriendlyName);
    SetDetailText(EditHasCh, device.HasChildren);
    SetDetailText(EditIconURL, device.IconURL);
    SetDetailText(EditIsRooDev, device.IsRootDevice);
    SetDetailText(EditManuName, device.ManufacturerName);
    SetDetailText(EditManuURL, device.ManufacturerURL);
    SetDetailText(EditModelName, device.ModelName);
    SetDetailText(EditModelNum, device.ModelNumber);
    SetDetailText(EditModelURL, device.ModelURL);
    SetDetailText(EditParentDev, device.ParentDevice);
    SetDetailText(EditPresURL, device.PresentationURL);
    SetDetailText(EditRootDev, device.RootDevice);
    SetDetailText(EditSeriaNum, device.SerialNumber);
    SetDetailText(EditService, device.Services);
    SetDetailText(EditType, device.Type);
    SetDetailText(EditUniqName, device.UniqueDeviceName);
    SetDetailText(EditUPC, device.UPC);
}
