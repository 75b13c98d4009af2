// SPDX-License-Identifier: GPL-3.0-or-later
// Copy and Export of the result table, driven through the window: the menu's
// items, Ctrl+C, and the export's file dialog.

#include "app/table_transfer.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "app/main_form.h"
#include "cli/cli_search.h"

namespace {

// Quotes, a comma, a line break and bytes that are no UTF-8: a writer that
// went through Qt's strings or forgot a quoting rule differs here.
const std::vector<std::vector<std::string>> kRows = {
    {"M2", "P1", "cam \"two\"", "198.51.100.2", "80", "255.255.0.0", "00:11:22:33:44:02"},
    {"M1", "P1", "hall, left\nside", "198.51.100.1", "8080", "255.255.0.0", "00:11:22:33:44:01"},
    {"M3", "P2", "caf\xe9 \xff", "198.51.100.3", "80", "255.255.0.0", "00:11:22:33:44:03"},
};

template <typename Form>
void FillRows(Form& form) {
    form.SetRowCount(static_cast<int>(kRows.size()) + 1);
    for (int r = 0; r < static_cast<int>(kRows.size()); ++r)
        for (int c = 0; c < kGridColumnCount; ++c)
            form.SetCell(c, r + 1, kRows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)]);
}

TableTransfer& Transfer(TMainForm& form) {
    return *static_cast<TableTransfer*>(form.findChild<QObject*>(QStringLiteral("TableTransfer")));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

}  // namespace

class TableTransferTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void copyPutsTheSelectedRowsUnderTheHeaderOnTheClipboard() {
        TMainForm form;
        FillRows(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QList<QAction*> items = form.PopupMenu1->actions();
        // After the row actions and the camera items: a separator, Copy, Export...
        QCOMPARE(items.size(), 11);
        QVERIFY(items[8]->isSeparator());
        QCOMPARE(items[9]->text(), QStringLiteral("Copy"));
        QCOMPARE(items[10]->text(), QStringLiteral("Export..."));

        auto* grid = form.findChild<QTableWidget*>(QStringLiteral("StringGrid1"));
        grid->setFocus();
        grid->selectRow(1);
        QApplication::clipboard()->clear();
        QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("Model\tProj\tName\tIP\tPort\tNetmask\tMac\n"
                                "M1\tP1\thall, left side\t198.51.100.1\t8080\t255.255.0.0\t00:11:22:33:44:01\n"));

        // A plain click selects that row alone (the table allows several).
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->visualRect(grid->model()->index(0, 0)).center());
        items[9]->trigger();
        QVERIFY(QApplication::clipboard()->text().endsWith(
            QStringLiteral("\nM2\tP1\t\"cam \"\"two\"\"\"\t198.51.100.2\t80\t255.255.0.0\t00:11:22:33:44:02\n")));
    }

    void exportWritesWhatTheCliPrintsForTheSameRows() {
        TMainForm form;
        std::vector<std::string> messages;
        form.SetMessageHandler(
            [&](const std::string& text, const std::string&, MessageIcon) { messages.push_back(text); });
        FillRows(form);
        ConsoleForm console(false);
        FillRows(console);
        console.label1Caption = "3 device(s) found!";
        const std::string cliCsv = FormatRows(OutputFormat::Csv, FoundRows(console), console.label1Caption);

        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("cameras.csv"));
        // The dialog is modal: answer it from a timer, as a user would.
        int polls = 0;
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, this, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                if (++polls > 500) answer.stop();
                return;
            }
            answer.stop();
            dialog->selectFile(path);
            static_cast<QDialog*>(dialog)->accept();
        });
        answer.start();
        form.findChild<QAction*>(QStringLiteral("Export1"))->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 10000);
        QCOMPARE(ReadAll(path), QByteArray::fromStdString(cliCsv));
        // Both go through one CSV writer: the bytes themselves are checked too.
        QCOMPARE(ReadAll(path),
                 QByteArrayLiteral("Model,Proj,Name,IP,Port,Netmask,Mac\n"
                                   "M2,P1,\"cam \"\"two\"\"\",198.51.100.2,80,255.255.0.0,00:11:22:33:44:02\n"
                                   "M1,P1,\"hall, left\\x0aside\",198.51.100.1,8080,255.255.0.0,00:11:22:33:44:01\n"
                                   "M3,P2,caf\xe9 \xff,198.51.100.3,80,255.255.0.0,00:11:22:33:44:03\n"));
        QVERIFY(messages.empty());

        // Nothing found: the table's one empty row is no device.
        form.SetRowCount(2);
        for (int c = 0; c < kGridColumnCount; ++c) form.SetCell(c, 1, "");
        QVERIFY(Transfer(form).ExportTo(path));
        QCOMPARE(ReadAll(path), QByteArrayLiteral("Model,Proj,Name,IP,Port,Netmask,Mac\n"));

        // A file that cannot be written is said so, not reported done.
        QVERIFY(!Transfer(form).ExportTo(dir.filePath(QStringLiteral("missing/cameras.csv"))));
        QCOMPARE(messages.size(), std::size_t{1});
    }
};

QTEST_MAIN(TableTransferTest)
#include "table_transfer_test.moc"
