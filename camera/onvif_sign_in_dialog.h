// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "ONVIF Sign In": user name and password for one camera, and whether to
// keep them in the keyring or use them for every camera of the search.

#include <optional>

#include <QDialog>

#include "camera/onvif_camera_actions.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class OnvifSignInForm : public QDialog {
public:
    OnvifSignInForm(QWidget* owner, const OnvifSignInQuestion& question);

    // What the user chose once the dialog has closed; nullopt when cancelled.
    std::optional<OnvifSignInAnswer> Answer() const;

    QLabel* LabelCamera;
    QLineEdit* EditUser;
    QLineEdit* EditPassword;
    QCheckBox* CheckRemember;
    QCheckBox* CheckUseForAll;
    QLabel* LabelKeyring;
    QPushButton* ButtonForget;
    QPushButton* ButtonSignIn;
    QPushButton* ButtonCancel;

private:
    bool forget_ = false;
};

std::optional<OnvifSignInAnswer> AskOnvifSignIn(QWidget* owner, const OnvifSignInQuestion& question);
