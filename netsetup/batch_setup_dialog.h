// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// "Batch Network Setup": not modal, so the window and its watch go on. It
// lays out the controls and hands every event to BatchSetupLogic.

#include <memory>
#include <vector>

#include <QDialog>

#include "netsetup/batch_setup_logic.h"

class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTableWidget;

class BatchSetupDialog : public QDialog, private BatchSetupView {
public:
    // `source` makes the rows' setups (protocol devices only without it).
    BatchSetupDialog(QWidget* parent, WindowOps& form, BatchWatchHost& window, const std::vector<tComUnitInfo>& rows,
                     AddressProber probe = ProbeAddressText, std::unique_ptr<BatchDeviceSource> source = nullptr);
    ~BatchSetupDialog() override;

    BatchSetupLogic& Logic() { return *logic_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    // Escape closes as the Close button does, stopping what runs.
    void reject() override { close(); }

private:
    void ShowLines() override;
    void SetProgress(int done, int total) override;
    void SetBusy(bool busy) override;
    void UpdateButtons();
    BatchSettingsInput Input() const;

    QRadioButton* dhcp_ = nullptr;
    QRadioButton* static_ = nullptr;
    QLineEdit* first_ = nullptr;
    QLineEdit* netmask_ = nullptr;
    QLineEdit* gateway_ = nullptr;
    QLineEdit* dns_ = nullptr;
    QPushButton* preview_ = nullptr;
    QPushButton* apply_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* close_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTableWidget* table_ = nullptr;
    bool busy_ = false;
    bool deleteWhenIdle_ = false;
    // Before the logic: its setups use the source until they go.
    std::unique_ptr<BatchDeviceSource> source_;
    std::unique_ptr<BatchSetupLogic> logic_;
};

// Opens the dialog on the window; it deletes itself once closed.
BatchSetupDialog* ShowBatchSetupDialog(QWidget* parent, WindowOps& form, BatchWatchHost& window,
                                       const std::vector<tComUnitInfo>& rows,
                                       std::unique_ptr<BatchDeviceSource> source = nullptr);
