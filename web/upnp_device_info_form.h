// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TForm1: the nineteen descriptive texts of one UPnP device, display-only.

#include <QDialog>

#include "protocol/device_information_container.h"

class QLineEdit;
class QPushButton;

class TForm1 : public QDialog {
public:
    explicit TForm1(QWidget* Owner);

    void SetDevice(const DeviceInformationContainer& device);

    QLineEdit* EditChild;
    QLineEdit* EditDescription;
    QLineEdit* EditFriendName;
    QLineEdit* EditHasCh;
    QLineEdit* EditIconURL;
    QLineEdit* EditIsRooDev;
    QLineEdit* EditManuName;
    QLineEdit* EditManuURL;
    QLineEdit* EditModelName;
    QLineEdit* EditModelNum;
    QLineEdit* EditModelURL;
    QLineEdit* EditParentDev;
    QLineEdit* EditPresURL;
    QLineEdit* EditRootDev;
    QLineEdit* EditSeriaNum;
    QLineEdit* EditService;
    QLineEdit* EditType;
    QLineEdit* EditUniqName;
    QLineEdit* EditUPC;
    QPushButton* BitBtn1;
};
