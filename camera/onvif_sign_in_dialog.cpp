// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/onvif_sign_in_dialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// Names come from the network: never read as rich text.
QLabel* PlainLabel(QWidget* parent, const char* objectName, const QString& text) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setText(text);
    return label;
}

}  // namespace

OnvifSignInForm::OnvifSignInForm(QWidget* owner, const OnvifSignInQuestion& question) : QDialog(owner) {
    setObjectName(QStringLiteral("OnvifSignInForm"));
    setWindowTitle(QStringLiteral("ONVIF Sign In"));
    setModal(true);

    LabelCamera = PlainLabel(this, "LabelCamera", QStringLiteral("Camera: ") + Q(question.camera));
    EditUser = new QLineEdit(Q(question.user), this);
    EditUser->setObjectName(QStringLiteral("EditUser"));
    EditPassword = new QLineEdit(this);
    EditPassword->setObjectName(QStringLiteral("EditPassword"));
    EditPassword->setEchoMode(QLineEdit::Password);
    CheckRemember = new QCheckBox(QStringLiteral("Remember in the keyring"), this);
    CheckRemember->setObjectName(QStringLiteral("CheckRemember"));
    CheckRemember->setEnabled(question.keyringAvailable);
    CheckUseForAll = new QCheckBox(QStringLiteral("Use for every camera of this search"), this);
    CheckUseForAll->setObjectName(QStringLiteral("CheckUseForAll"));
    LabelKeyring = PlainLabel(this, "LabelKeyring",
                              question.keyringAvailable ? QString()
                                                        : QStringLiteral("No keyring is available: the password is "
                                                                         "kept for this run only, not remembered."));
    LabelKeyring->setVisible(!question.keyringAvailable);

    ButtonForget = new QPushButton(QStringLiteral("Forget"), this);
    ButtonForget->setObjectName(QStringLiteral("ButtonForget"));
    ButtonForget->setToolTip(QStringLiteral("Remove the remembered password from the keyring"));
    ButtonForget->setVisible(question.remembered);
    ButtonSignIn = new QPushButton(QStringLiteral("Sign In"), this);
    ButtonSignIn->setObjectName(QStringLiteral("ButtonSignIn"));
    ButtonSignIn->setDefault(true);
    ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("User name"), EditUser);
    fields->addRow(QStringLiteral("Password"), EditPassword);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(ButtonForget);
    buttons->addStretch();
    buttons->addWidget(ButtonSignIn);
    buttons->addWidget(ButtonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(LabelCamera);
    layout->addLayout(fields);
    layout->addWidget(CheckRemember);
    layout->addWidget(CheckUseForAll);
    layout->addWidget(LabelKeyring);
    layout->addLayout(buttons);

    connect(ButtonSignIn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ButtonForget, &QPushButton::clicked, this, [this] {
        forget_ = true;
        accept();
    });
    if (!question.user.empty()) EditPassword->setFocus();
}

std::optional<OnvifSignInAnswer> OnvifSignInForm::Answer() const {
    if (result() != QDialog::Accepted) return std::nullopt;
    OnvifSignInAnswer answer;
    answer.choice = forget_ ? OnvifSignInAnswer::Choice::Forget : OnvifSignInAnswer::Choice::SignIn;
    answer.credentials.user = EditUser->text().toStdString();
    answer.credentials.password = EditPassword->text().toStdString();
    answer.remember = CheckRemember->isEnabled() && CheckRemember->isChecked();
    answer.useForEveryCamera = CheckUseForAll->isChecked();
    return answer;
}

std::optional<OnvifSignInAnswer> AskOnvifSignIn(QWidget* owner, const OnvifSignInQuestion& question) {
    OnvifSignInForm form(owner, question);
    form.exec();
    return form.Answer();
}
