// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/change_password_dialog.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

ChangePasswordForm::ChangePasswordForm(QWidget* owner, int cameras, const std::vector<std::string>& users)
    : QDialog(owner) {
    setObjectName(QStringLiteral("ChangePasswordForm"));
    setWindowTitle(QStringLiteral("Change Password"));
    setModal(true);

    auto* about = new QLabel(
        cameras == 1
            ? QStringLiteral("The new password for 1 camera.")
            : QStringLiteral("The new password for %1 cameras, each proved by a sign-in with it.").arg(cameras),
        this);
    about->setObjectName(QStringLiteral("LabelCameras"));
    about->setWordWrap(true);
    ComboUser = new QComboBox(this);
    ComboUser->setObjectName(QStringLiteral("ComboUser"));
    // User names come from the cameras and the sign-in; another may be typed.
    ComboUser->setEditable(true);
    for (const std::string& user : users) ComboUser->addItem(QString::fromStdString(user));
    EditNewPassword = new QLineEdit(this);
    EditNewPassword->setObjectName(QStringLiteral("EditNewPassword"));
    EditNewPassword->setEchoMode(QLineEdit::Password);
    EditRepeatPassword = new QLineEdit(this);
    EditRepeatPassword->setObjectName(QStringLiteral("EditRepeatPassword"));
    EditRepeatPassword->setEchoMode(QLineEdit::Password);
    LabelMismatch = new QLabel(this);
    LabelMismatch->setObjectName(QStringLiteral("LabelMismatch"));
    ButtonChange = new QPushButton(QStringLiteral("Change"), this);
    ButtonChange->setObjectName(QStringLiteral("ButtonChange"));
    ButtonChange->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("User name"), ComboUser);
    fields->addRow(QStringLiteral("New password"), EditNewPassword);
    fields->addRow(QStringLiteral("Again"), EditRepeatPassword);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ButtonChange);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(about);
    layout->addLayout(fields);
    layout->addWidget(LabelMismatch);
    layout->addLayout(buttons);

    connect(ButtonChange, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    for (QLineEdit* edit : {EditNewPassword, EditRepeatPassword})
        connect(edit, &QLineEdit::textChanged, this, [this] { Check(); });
    connect(ComboUser, &QComboBox::currentTextChanged, this, [this] { Check(); });
    Check();
    EditNewPassword->setFocus();
}

void ChangePasswordForm::Check() {
    const bool typed = !EditNewPassword->text().isEmpty();
    const bool same = EditNewPassword->text() == EditRepeatPassword->text();
    LabelMismatch->setText(typed && !EditRepeatPassword->text().isEmpty() && !same
                               ? QStringLiteral("The two passwords differ.")
                               : QString());
    ButtonChange->setEnabled(typed && same && !ComboUser->currentText().trimmed().isEmpty());
}

std::optional<PasswordChange> ChangePasswordForm::Answer() const {
    if (result() != QDialog::Accepted || !ButtonChange->isEnabled()) return std::nullopt;
    return PasswordChange{ComboUser->currentText().trimmed().toStdString(), EditNewPassword->text().toStdString()};
}

std::optional<PasswordChange> AskPasswordChange(QWidget* owner, int cameras, const std::vector<std::string>& users) {
    ChangePasswordForm form(owner, cameras, users);
    form.exec();
    return form.Answer();
}
