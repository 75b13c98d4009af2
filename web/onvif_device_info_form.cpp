// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/onvif_device_info_form.h"

#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "web/detail_dialogs.h"

namespace {

constexpr int kEditWidth = 420;

// Long items (types with their namespaces) wrap; URLs and scopes keep one
// line each and scroll.
QPlainTextEdit* AddListRow(QGridLayout* grid, const char* label, const char* editName, int lines, bool wrap) {
    const int row = grid->rowCount();
    auto* caption = new QLabel(QString::fromLatin1(label));
    QFont bold = caption->font();
    bold.setBold(true);
    caption->setFont(bold);
    auto* edit = new QPlainTextEdit;
    edit->setObjectName(QString::fromLatin1(editName));
    edit->setReadOnly(true);
    edit->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    edit->setFixedWidth(kEditWidth);
    edit->setFixedHeight(edit->fontMetrics().lineSpacing() * lines + 12);
    caption->setBuddy(edit);
    grid->addWidget(caption, row, 0, Qt::AlignTop);
    grid->addWidget(edit, row, 1);
    return edit;
}

void SetLines(QPlainTextEdit* edit, const std::vector<std::string>& lines) {
    QStringList texts;
    for (const std::string& line : lines) texts << QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size()));
    edit->setPlainText(texts.join(QLatin1Char('\n')));
}

}  // namespace

OnvifDeviceInfoForm::OnvifDeviceInfoForm(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("OnvifDeviceInfoForm"));
    setWindowTitle(QStringLiteral("ONVIF Device Detail Info."));
    setModal(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 20, 16, 20);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    EditEndpoint = AddDetailRow(grid, "Endpoint", "EditEndpoint", kEditWidth);
    EditTypes = AddListRow(grid, "Types", "EditTypes", 4, true);
    EditScopes = AddListRow(grid, "Scopes", "EditScopes", 8, false);
    EditXAddrs = AddListRow(grid, "XAddrs", "EditXAddrs", 3, false);
    EditMetadataVersion = AddDetailRow(grid, "MetadataVersion", "EditMetadataVersion", kEditWidth);
    EditAnsweredFrom = AddDetailRow(grid, "Answered from", "EditAnsweredFrom", kEditWidth);
    BitBtn1 = AddOkButton(this, grid, 120);
    grid->setColumnStretch(2, 1);
}

void OnvifDeviceInfoForm::SetDevice(const OnvifDeviceInfo& device) {
    SetDetailText(EditEndpoint, device.endpoint);
    SetLines(EditTypes, device.types);
    SetLines(EditScopes, device.scopes);
    SetLines(EditXAddrs, device.xaddrs);
    SetDetailText(EditMetadataVersion, device.metadataVersion);
    SetDetailText(EditAnsweredFrom, device.answeredFrom);
}
