// SPDX-License-Identifier: GPL-3.0-or-later
// Batch Network Setup in the real window against simulated cameras that all
// answer on one factory address: the conflict is marked, several rows are
// selected, the preview numbers them around a taken address, Apply sends and
// the watch confirms each at its new address; ONVIF cameras the same way,
// after one sign-in for the batch. Runs only inside scripts/lanbox.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

#include "app/main_form.h"
#include "app/string_grid_widget.h"
#include "camera/onvif_batch_cameras.h"
#include "camera/onvif_camera_menu.h"
#include "netsetup/batch_setup_dialog.h"
#include "tests/support/fake_onvif_camera.h"
#include "tests/support/lan_box.h"

namespace {

constexpr const char* kShared = "198.51.100.9";

QString Line(QTableWidget* table, int row, int col) { return table->item(row, col)->text(); }

}  // namespace

class BatchSetupLanTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void conflictingCamerasAreNumberedSentAndConfirmed() {
        // Three cameras on the shared address, and a device at .10 outside the batch.
        DevsimProcess devsim({"--conflicts", "3", "--count", "1", "--device-net", "198.51.100", "--setup-delay-ms",
                              "300", "--duration", "90"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        std::vector<std::string> questions;
        form.SetQuestionHandler([&questions](const std::string& text) {
            questions.push_back(text);
            return true;
        });
        form.SetMessageHandler([](const std::string& text, const std::string&, MessageIcon) {
            QFAIL(("unexpected message: " + text).c_str());
        });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Proj->setEditText(QStringLiteral("IPCam"));
        form.Logic().SetWatchTimings({std::chrono::milliseconds(500), std::chrono::seconds(30)});
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);
        QCOMPARE(form.RowCount() - 1, 4);

        // The shared address is marked on every row that has it, saying both why.
        auto* grid = form.findChild<StringGridWidget*>();
        std::vector<int> shared;
        for (int row = 1; row < form.RowCount(); ++row) {
            if (form.Cell(kColIp, row) != kShared) continue;
            shared.push_back(row);
            // The tool tip is rich text that shows the device's text as written.
            QTextDocument shown;
            shown.setHtml(grid->item(row - 1, kColIp)->toolTip());
            const QString tip = shown.toPlainText();
            QVERIFY2(tip.startsWith(QStringLiteral("3 devices answer with the address 198.51.100.9")), qPrintable(tip));
            QVERIFY2(tip.contains(QStringLiteral("outside this computer's networks")), qPrintable(tip));
        }
        QCOMPARE(shared.size(), std::size_t{3});

        // Ctrl+A takes every row; a click and two Ctrl clicks take the three.
        QTest::keyClick(grid, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(form.SelectedRows().size(), std::size_t{4});
        auto centre = [grid](int row) { return grid->visualRect(grid->model()->index(row - 1, kColName)).center(); };
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, centre(shared[0]));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(shared[1]));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, centre(shared[2]));
        QCOMPARE(form.SelectedRows(), shared);
        form.NetworkSetup1->trigger();

        auto* dialog = form.findChild<BatchSetupDialog*>(QStringLiteral("BatchSetupDialog"));
        QVERIFY(dialog != nullptr);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        dialog->findChild<QLineEdit*>(QStringLiteral("BatchFirstIp"))->setText(QStringLiteral("198.51.100.10"));
        dialog->findChild<QLineEdit*>(QStringLiteral("BatchGateway"))->setText(QStringLiteral("198.51.100.254"));
        dialog->findChild<QLineEdit*>(QStringLiteral("BatchDns"))->setText(QStringLiteral("198.51.100.53"));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BatchPreview")), Qt::LeftButton);

        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("BatchTable"));
        QCOMPARE(table->rowCount(), 3);
        QStringList newIps;
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(Line(table, row, 2), QString::fromLatin1(kShared));
            newIps << Line(table, row, 3);
        }
        QCOMPARE(newIps, (QStringList{QStringLiteral("198.51.100.11"), QStringLiteral("198.51.100.12"),
                                      QStringLiteral("198.51.100.13")}));
        QCOMPARE(Line(table, 0, 4), QStringLiteral("skipped 198.51.100.10 (used by cam-00001 (02:4B:56:00:00:00))"));

        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BatchApply")), Qt::LeftButton);
        QCOMPARE(questions.size(), std::size_t{1});
        for (int row = 0; row < 3; ++row) {
            const QString expected = QStringLiteral("confirmed at ") + newIps[row] + QStringLiteral(" after ");
            QTRY_VERIFY2_WITH_TIMEOUT(Line(table, row, 4).startsWith(expected), qPrintable(Line(table, row, 4)), 20000);
        }
        QVERIFY(!form.Logic().WatchingBatch());

        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BatchCopy")), Qt::LeftButton);
        const QString copied = QApplication::clipboard()->text();
        QVERIFY2(copied.startsWith(QStringLiteral("MAC\tName\tCurrent IP\tNew IP\tResult\n")), qPrintable(copied));
        QCOMPARE(copied.count(QStringLiteral("confirmed at 198.51.100.1")), 3);
        dialog->close();
    }

    void closingDuringApplyStopsTheSendsNotYetMade() {
        TempDir files;
        DevsimProcess devsim(
            {"--conflicts", "3", "--device-net", "198.51.100", "--record", files.File("recorded"), "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());
        TMainForm form;
        form.SetMessageHandler([](const std::string& text, const std::string&, MessageIcon) {
            QFAIL(("unexpected message: " + text).c_str());
        });
        form.SetQuestionHandler([](const std::string&) { return true; });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Proj->setEditText(QStringLiteral("IPCam"));
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);
        QCOMPARE(form.RowCount() - 1, 3);
        QTest::keyClick(form.StringGrid1, Qt::Key_A, Qt::ControlModifier);
        form.NetworkSetup1->trigger();
        QPointer<BatchSetupDialog> dialog = form.findChild<BatchSetupDialog*>(QStringLiteral("BatchSetupDialog"));
        QVERIFY(dialog);
        QTest::mouseClick(dialog->findChild<QRadioButton*>(QStringLiteral("BatchDhcp")), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BatchPreview")), Qt::LeftButton);
        // The close lands while the window handles its messages after the first send.
        QTimer::singleShot(0, dialog, [&dialog] { dialog->close(); });
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BatchApply")), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isNull(), 5000);
        QVERIFY(!form.Logic().WatchingBatch());
        QTest::qWait(500);
        QCOMPARE(ReadLines(files.File("recorded")).size(), std::size_t{1});
    }

    void onvifCamerasSignInOnceAndAreConfirmedAtTheirNewAddresses() {
        DevsimProcess devsim({"--no-udp", "--onvif", "3", "--onvif-user", "installer", "--onvif-password", "pw 3",
                              "--setup-delay-ms", "300", "--duration", "90"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());
        TMainForm form;
        auto vault = std::make_unique<MemoryVault>();
        vault->available = false;
        form.OnvifMenu().SetCameraSupport(MakeOnvifDeviceAccess(), std::move(vault));
        form.SetMessageHandler([](const std::string& text, const std::string&, MessageIcon) {
            QFAIL(("unexpected message: " + text).c_str());
        });
        form.SetQuestionHandler([](const std::string&) { return true; });
        // Every 127/8 address answers a ping in this box: here none does.
        form.SetBatchSetupHandler([&form](const std::vector<tComUnitInfo>& rows) {
            auto* dialog = new BatchSetupDialog(
                &form, form, form.Logic(), rows,
                [](const std::string&) {
                    return ProbeResult{ProbeOutcome::Silent, {}};
                },
                std::make_unique<OnvifBatchCameras>(form.OnvifMenu().Actions().Shared()));
            dialog->show();
        });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.Proj->setEditText(QStringLiteral("ONVIF"));
        form.Logic().SetWatchTimings({std::chrono::milliseconds(500), std::chrono::seconds(30)});
        QTest::mouseClick(form.Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);
        QCOMPARE(form.RowCount() - 1, 3);
        QTest::keyClick(form.StringGrid1, Qt::Key_A, Qt::ControlModifier);
        form.NetworkSetup1->trigger();
        auto* dialog = form.findChild<BatchSetupDialog*>(QStringLiteral("BatchSetupDialog"));
        QVERIFY(dialog != nullptr);
        dialog->findChild<QLineEdit*>(QStringLiteral("BatchFirstIp"))->setText(QStringLiteral("127.77.9.10"));
        dialog->findChild<QLineEdit*>(QStringLiteral("BatchNetmask"))->setText(QStringLiteral("255.0.0.0"));
        dialog->findChild<QLineEdit*>(QStringLiteral("BatchGateway"))->setText(QStringLiteral("127.0.0.254"));
        dialog->findChild<QLineEdit*>(QStringLiteral("BatchDns"))->setText(QStringLiteral("127.0.0.53"));

        // The one sign-in of the batch, answered as a person would.
        int signIns = 0;
        QTimer poll;
        poll.setInterval(20);
        connect(&poll, &QTimer::timeout, &form, [&signIns] {
            auto* modal = QApplication::activeModalWidget();
            if (modal == nullptr || modal->objectName() != QLatin1String("OnvifSignInForm")) return;
            ++signIns;
            modal->findChild<QLineEdit*>(QStringLiteral("EditUser"))->setText(QStringLiteral("installer"));
            modal->findChild<QLineEdit*>(QStringLiteral("EditPassword"))->setText(QStringLiteral("pw 3"));
            modal->findChild<QPushButton*>(QStringLiteral("ButtonSignIn"))->click();
        });
        poll.start();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BatchPreview")), Qt::LeftButton);
        QCOMPARE(signIns, 1);
        auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("BatchTable"));
        QStringList newIps;
        for (int row = 0; row < 3; ++row) {
            QVERIFY2(Line(table, row, 0) != QStringLiteral("NULL"), "the camera's MAC, read after the sign-in");
            newIps << Line(table, row, 3);
        }
        QCOMPARE(newIps, (QStringList{QStringLiteral("127.77.9.10"), QStringLiteral("127.77.9.11"),
                                      QStringLiteral("127.77.9.12")}));

        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("BatchApply")), Qt::LeftButton);
        for (int row = 0; row < 3; ++row) {
            const QString expected = QStringLiteral("confirmed at ") + newIps[row] + QStringLiteral(" after ");
            QTRY_VERIFY2_WITH_TIMEOUT(Line(table, row, 4).startsWith(expected), qPrintable(Line(table, row, 4)), 20000);
        }
        QCOMPARE(signIns, 1);
        dialog->close();
    }
};

int main(int argc, char** argv) {
    RequireLanBox();
    QApplication app(argc, argv);
    BatchSetupLanTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "batch_setup_lan_test.moc"
