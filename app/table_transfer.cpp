// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/table_transfer.h"

#include <algorithm>
#include <vector>

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSaveFile>

#include "app/main_form.h"
#include "app/string_grid_widget.h"
#include "app/table_text.h"

TableTransfer::TableTransfer(TMainForm& form) : QObject(&form), form_(form) {
    setObjectName(QStringLiteral("TableTransfer"));
    form.PopupMenu1->addSeparator();
    Copy1 = form.PopupMenu1->addAction(QStringLiteral("Copy"));
    Copy1->setObjectName(QStringLiteral("Copy1"));
    Copy1->setShortcut(QKeySequence::Copy);
    // Ctrl+C acts while the table has the focus, menu open or not.
    Copy1->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    form.StringGrid1->addAction(Copy1);
    Export1 = form.PopupMenu1->addAction(QStringLiteral("Export..."));
    Export1->setObjectName(QStringLiteral("Export1"));

    connect(Copy1, &QAction::triggered, this, [this] { CopySelectedRows(); });
    // Queued: the file dialog must not open inside the closing menu's event.
    connect(
        Export1, &QAction::triggered, this, [this] { ExportWithDialog(); }, Qt::QueuedConnection);
}

void TableTransfer::CopySelectedRows() {
    std::vector<int> rows;
    for (const QModelIndex& index : form_.StringGrid1->selectionModel()->selectedRows())
        rows.push_back(index.row() + 1);
    // Without a selection the current row is what the user points at.
    if (rows.empty() && form_.StringGrid1->currentRow() >= 0) rows.push_back(form_.StringGrid1->currentRow() + 1);
    std::sort(rows.begin(), rows.end());
    if (rows.empty()) return;
    const std::string text = FormatTabSeparated(GridRows(form_, rows));
    QGuiApplication::clipboard()->setText(QString::fromStdString(text));
}

void TableTransfer::ExportWithDialog() {
    QFileDialog dialog(&form_, QStringLiteral("Export"), QDir::homePath() + QStringLiteral("/lanvaro.csv"),
                       QStringLiteral("CSV files (*.csv);;All files (*)"));
    dialog.setObjectName(QStringLiteral("ExportDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    ExportTo(dialog.selectedFiles().constFirst());
}

bool TableTransfer::ExportTo(const QString& path) {
    const std::string csv = FormatCsv(GridDataRows(form_));
    // Written aside and renamed: a failed export never leaves half a file
    // in place of one the user had.
    QSaveFile file(path);
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.write(csv.data(), static_cast<qint64>(csv.size())) == static_cast<qint64>(csv.size()) &&
                         file.commit();
    if (!written) {
        form_.ShowMessage("Could not save " + path.toStdString() + ": " + file.errorString().toStdString(), "Export",
                          MessageIcon::Error);
    }
    return written;
}
