// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The network setup dialog, TNetForm: lays out the controls and forwards
// their events to NetFormLogic.

#include <QDialog>

#include "netsetup/net_form_logic.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;
class WindowOps;
struct tComUnitInfo;

class TNetForm : public QDialog, private NetFormView {
public:
    TNetForm(QWidget* owner, WindowOps& form, const tComUnitInfo& record, NetSetupContext context = {});

    NetFormLogic& Logic() { return logic_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct LabeledEdit {
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
    };
    LabeledEdit MakeLabeledEdit(QWidget* parent, const char* objectName, const char* caption);
    LabeledEdit& Edit(NetFormEdit edit);
    QRadioButton* TypeButton(NetworkType type);

    // NetFormView
    std::string EditText(NetFormEdit edit) override;
    void SetEditText(NetFormEdit edit, const std::string& text) override;
    void SetAddressEditsEnabled(bool enabled) override;
    bool IsTypeChecked(NetworkType type) override;
    void FocusEdit(NetFormEdit edit) override;
    void FocusCloseButton() override;
    void CloseForm() override;
    bool IsShown() override { return isVisible(); }

    LabeledEdit edits_[10];
    QRadioButton* radioDhcp_ = nullptr;
    QRadioButton* radioStatic_ = nullptr;
    QRadioButton* radioTorvo_ = nullptr;
    QPushButton* buttonApply_ = nullptr;
    QPushButton* buttonClose_ = nullptr;
    // Set while the logic moves the focus itself, so leaving the edit it
    // moves from is not checked again (two bad edits would pass the
    // warning back and forth for ever).
    bool refocusing_ = false;
    NetFormLogic logic_;
};

// Shows TNetForm modally for a record, centred on and owned by `owner`;
// the dialog is destroyed when it closes. Message boxes, logging and sending
// go through `form`.
void ShowNetFormDialog(QWidget* owner, WindowOps& form, const tComUnitInfo& record, NetSetupContext context = {});
