// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Copy and Export of the result table: the pop-up menu's "Copy" (also Ctrl+C)
// puts the selected rows on the clipboard as tab-separated text, "Export..."
// saves every row to a CSV file chosen in a file dialog, the same bytes
// lanvaro-cli --format csv prints.

#include <string>

#include <QObject>

class QAction;
class QString;
class TMainForm;

class TableTransfer : public QObject {
public:
    // Adds its items to the window's pop-up menu; the window owns it.
    explicit TableTransfer(TMainForm& form);

    void CopySelectedRows();
    void ExportWithDialog();
    // Writes the CSV to `path`; false (and the user told why) when it could not.
    bool ExportTo(const QString& path);

    QAction* Copy1 = nullptr;
    QAction* Export1 = nullptr;

private:
    TMainForm& form_;
};
