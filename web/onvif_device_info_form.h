// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What one ONVIF device said in its discovery answers, display-only.

#include <QDialog>

#include "protocol/onvif_device_info.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

class OnvifDeviceInfoForm : public QDialog {
public:
    explicit OnvifDeviceInfoForm(QWidget* owner);

    void SetDevice(const OnvifDeviceInfo& device);

    QLineEdit* EditEndpoint;
    QPlainTextEdit* EditTypes;
    QPlainTextEdit* EditScopes;  // one scope per line
    QPlainTextEdit* EditXAddrs;  // one XAddr per line
    QLineEdit* EditMetadataVersion;
    QLineEdit* EditAnsweredFrom;
    QPushButton* BitBtn1;
};
