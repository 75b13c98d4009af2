// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/detail_dialogs.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>

#include "web/device_info_form.h"
#include "web/onvif_device_info_form.h"
#include "web/plain_tool_tip.h"
#include "web/upnp_device_info_form.h"

void ShowDeviceInfoDialog(QWidget* owner, const tComUnitInfo& record) {
    // On the stack with the owner as parent: the next dialog is made only
    // after this one is gone, and the owner outlives the modal loop.
    TFormInfo form(owner);
    form.SetRecord(record);
    form.exec();
}

void ShowUpnpDeviceInfoDialog(QWidget* owner, const DeviceInformationContainer& device) {
    TForm1 form(owner);
    form.SetDevice(device);
    form.exec();
}

void ShowOnvifDeviceInfoDialog(QWidget* owner, const OnvifDeviceInfo& device) {
    OnvifDeviceInfoForm form(owner);
    form.SetDevice(device);
    form.exec();
}

QLineEdit* AddDetailRow(QGridLayout* grid, const char* label, const char* editName, int editWidth) {
    const int row = grid->rowCount();
    auto* caption = new QLabel(QString::fromLatin1(label));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);

    auto* edit = new QLineEdit;
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setFixedWidth(editWidth);
    // Not editable, yet readable and copyable: a disabled QLineEdit greys its
    // text out and refuses selection.
    edit->setReadOnly(true);
    QPalette palette = edit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    edit->setPalette(palette);
    caption->setBuddy(edit);

    grid->addWidget(caption, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

void SetDetailText(QLineEdit* edit, const std::string& text) {
    const QString value = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
    edit->setText(value);
    edit->setCursorPosition(0);
    edit->setToolTip(PlainToolTip(value));
}

QPushButton* AddOkButton(QDialog* dialog, QGridLayout* grid, int width) {
    auto* button = new QPushButton(QStringLiteral("OK"));
    button->setObjectName(QStringLiteral("BitBtn1"));
    button->setFixedWidth(width);
    button->setDefault(true);
    button->setAutoDefault(true);
    QObject::connect(button, &QPushButton::clicked, dialog, &QDialog::accept);
    const int row = grid->rowCount();
    grid->setRowStretch(row, 1);
    grid->addWidget(button, row + 1, 1, Qt::AlignLeft);
    return button;
}
