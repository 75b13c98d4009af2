// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Change Password": whose password (the user signed in with, or another the
// cameras know) and the new one, typed twice and never shown.

#include <optional>
#include <string>
#include <vector>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct PasswordChange {
    std::string user;
    std::string password;
};

class ChangePasswordForm : public QDialog {
public:
    ChangePasswordForm(QWidget* owner, int cameras, const std::vector<std::string>& users);

    // Once the dialog has closed; nullopt when cancelled.
    std::optional<PasswordChange> Answer() const;

    QComboBox* ComboUser;
    QLineEdit* EditNewPassword;
    QLineEdit* EditRepeatPassword;
    QLabel* LabelMismatch;
    QPushButton* ButtonChange;
    QPushButton* ButtonCancel;

private:
    void Check();
};

std::optional<PasswordChange> AskPasswordChange(QWidget* owner, int cameras, const std::vector<std::string>& users);
