// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window keeps between starts: the relay addresses typed into
// ComboBox1, the address ranges searched (RangeBox) and the window's size
// and position. Every other control starts as designed.

#include <memory>

#include <QObject>

class QSettings;
class TMainForm;

class WindowMemory : public QObject {
public:
    // Restores from `settings` at once and keeps it up to date from then on;
    // the window owns this object.
    WindowMemory(TMainForm& form, std::unique_ptr<QSettings> settings);
    ~WindowMemory() override;

    void SaveRelays();
    void SaveRanges();
    void SaveGeometry();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Restore();

    TMainForm& form_;
    std::unique_ptr<QSettings> settings_;
};
