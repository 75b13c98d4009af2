// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two detail dialogs. Each is made for one showing, owned by `owner`,
// shown modally over it and destroyed when it closes.

#include <string>

#include "protocol/com_unit_info.h"
#include "protocol/device_information_container.h"
#include "protocol/onvif_device_info.h"

class QDialog;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QWidget;

void ShowDeviceInfoDialog(QWidget* owner, const tComUnitInfo& record);                    // TFormInfo
void ShowUpnpDeviceInfoDialog(QWidget* owner, const DeviceInformationContainer& device);  // TForm1
void ShowOnvifDeviceInfoDialog(QWidget* owner, const OnvifDeviceInfo& device);

// --- Building blocks shared by TFormInfo and TForm1 ---------------------

// A bold label and a display-only edit of the given width in the next row of
// `grid`; the edit gets `editName` as its object name.
QLineEdit* AddDetailRow(QGridLayout* grid, const char* label, const char* editName, int editWidth);
// The text shown from its beginning; the whole of it also as the tool tip,
// since the edits are narrower than the longest fields.
void SetDetailText(QLineEdit* edit, const std::string& text);
// "OK" (BitBtn1) under the edits, closing the dialog.
QPushButton* AddOkButton(QDialog* dialog, QGridLayout* grid, int width);
