// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TFormInfo: every field of one device record, display-only.

#include <QDialog>

#include "protocol/com_unit_info.h"

class QLineEdit;
class QPushButton;

class TFormInfo : public QDialog {
public:
    explicit TFormInfo(QWidget* Owner);

    void SetRecord(const tComUnitInfo& record);

    QLineEdit* EditModel;
    QLineEdit* EditProj;
    QLineEdit* EditName;
    QLineEdit* EditIP;
    QLineEdit* EditPort;
    QLineEdit* EditNetmask;
    QLineEdit* EditMac;
    QLineEdit* EditGateway;
    QLineEdit* EditDNS;
    QLineEdit* EditDev;
    QLineEdit* EditNote;
    QPushButton* BitBtn1;
};
