// SPDX-License-Identifier: GPL-3.0-or-later
// The window against devsim's cameras in a LAN box: found by the ONVIF
// search, refused with a wrong password, then signed in through the dialog,
// its facts and its clock (three hours off) in the details dialog; a
// network change confirmed by the watch; and every Camera Task over two.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScopedValueRollback>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include "app/main_form.h"
#include "app/string_grid_widget.h"
#include "camera/camera_tasks_form.h"
#include "camera/onvif_camera_menu.h"
#include "tests/support/fake_onvif_camera.h"
#include "tests/support/lan_box.h"

namespace {

// Answers the sign-in dialog with the password and closes the details
// dialog, noting what each showed.
struct DialogDriver {
    QString password;
    QString newPassword;
    QStringList seen;
    QString facts;
    QString clock;
    QString refreshedClock;
    bool plainClock = false;
    QString keyringNote;
    bool rememberOffered = true;
    bool acting = false;

    QTimer poll;

    // Answers every modal dialog that opens over `form` from now on; after
    // 30 s any still open is closed, so a test never hangs on one.
    void Answer(QWidget& form) {
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, &form, [this] { Act(); });
        poll.start();
        QTimer::singleShot(30000, &form, [] {
            while (auto* dialog = QApplication::activeModalWidget()) dialog->close();
        });
    }

    void Act() {
        // Refresh waits for the camera with the window's messages flowing, this timer's included.
        if (acting) return;
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        QScopedValueRollback<bool> busy(acting, true);
        seen << dialog->objectName();
        if (dialog->objectName() == QLatin1String("OnvifSignInForm")) {
            keyringNote = dialog->findChild<QLabel*>(QStringLiteral("LabelKeyring"))->text();
            rememberOffered = dialog->findChild<QCheckBox*>(QStringLiteral("CheckRemember"))->isEnabled();
            dialog->findChild<QLineEdit*>(QStringLiteral("EditUser"))->setText(QStringLiteral("installer"));
            dialog->findChild<QLineEdit*>(QStringLiteral("EditPassword"))->setText(password);
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonSignIn"))->click();
        } else if (dialog->objectName() == QLatin1String("OnvifDeviceInfoForm")) {
            facts = dialog->findChild<QPlainTextEdit*>(QStringLiteral("EditFacts"))->toPlainText();
            auto* clockLabel = dialog->findChild<QLabel*>(QStringLiteral("LabelClock"));
            clock = clockLabel->text();
            plainClock = clockLabel->textFormat() == Qt::PlainText;
            // Refresh asks the camera again; its clock is still off.
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonRefresh"))->click();
            refreshedClock = clockLabel->text();
            dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        } else if (dialog->objectName() == QLatin1String("ChangePasswordForm")) {
            dialog->findChild<QLineEdit*>(QStringLiteral("EditNewPassword"))->setText(newPassword);
            dialog->findChild<QLineEdit*>(QStringLiteral("EditRepeatPassword"))->setText(newPassword);
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonChange"))->click();
        } else if (dialog->objectName() == QLatin1String("NetForm")) {
            dialog->findChild<QRadioButton*>(QStringLiteral("RadioButtonDhcp"))->setChecked(true);
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonApply"))->click();
        } else {
            dialog->close();
        }
    }
};

// Shows the window and runs an ONVIF search, which lists the cameras.
void SearchForTheCamera(TMainForm& form, int cameras = 1) {
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.Proj->setEditText(QStringLiteral("ONVIF"));
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.Logic().Searching(), 15000);
    QCOMPARE(form.RowCount(), cameras + 1);
}

}  // namespace

class OnvifCameraLanTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void signInToAFoundCameraAndSeeItsFacts() {
        DevsimProcess devsim({"--no-udp", "--onvif", "1", "--onvif-user", "installer", "--onvif-password",
                              "s3cret pass", "--onvif-clock-offset", "10800", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        auto vault = std::make_unique<MemoryVault>();
        vault->available = false;
        form.OnvifMenu().SetCameraSupport(MakeOnvifDeviceAccess(), std::move(vault));
        std::vector<std::string> messages;
        form.SetMessageHandler(
            [&](const std::string& text, const std::string&, MessageIcon) { messages.push_back(text); });
        SearchForTheCamera(form);
        if (QTest::currentTestFailed()) return;
        QCOMPARE(form.Cell(kColProj, 1), std::string("ONVIF"));
        form.Logic().SelectRow(1);

        DialogDriver driver;
        driver.Answer(form);

        driver.password = QStringLiteral("not the password");
        form.OnvifMenu().SignIn1->trigger();
        QCOMPARE(driver.seen, QStringList{QStringLiteral("OnvifSignInForm")});
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY2(messages[0].find("Sign-in refused by") == 0, messages[0].c_str());

        driver.password = QStringLiteral("s3cret pass");
        form.Info1->trigger();
        driver.poll.stop();
        QCOMPARE(driver.seen, (QStringList{QStringLiteral("OnvifSignInForm"), QStringLiteral("OnvifSignInForm"),
                                           QStringLiteral("OnvifDeviceInfoForm")}));
        QVERIFY2(driver.facts.contains(QStringLiteral("Manufacturer: Devsim Optics")), qPrintable(driver.facts));
        QVERIFY2(driver.facts.contains(QStringLiteral("MAC: ")), qPrintable(driver.facts));
        QVERIFY2(driver.clock.contains(QStringLiteral(" s off; sign-in may fail until it is set.")),
                 qPrintable(driver.clock));
        QVERIFY(driver.plainClock);
        QVERIFY2(driver.refreshedClock.contains(QStringLiteral(" s off;")), qPrintable(driver.refreshedClock));
        QVERIFY(!driver.rememberOffered);
        QVERIFY2(driver.keyringNote.contains(QStringLiteral("not remembered")), qPrintable(driver.keyringNote));
        QCOMPARE(messages.size(), std::size_t(1));
        QVERIFY(!form.Logic().Searching());
    }

    // A remembered password signs in by itself; after the change the watch
    // finds the camera again by WS-Discovery.
    void networkSetupByDhcpIsConfirmedByTheWatch() {
        DevsimProcess devsim({"--no-udp", "--onvif", "1", "--onvif-user", "installer", "--onvif-password",
                              "s3cret pass", "--setup-delay-ms", "300", "--duration", "60"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());

        TMainForm form;
        auto vault = std::make_unique<MemoryVault>();
        MemoryVault& keyring = *vault;
        form.OnvifMenu().SetCameraSupport(MakeOnvifDeviceAccess(), std::move(vault));
        form.Logic().SetWatchTimings({std::chrono::milliseconds(500), std::chrono::seconds(20)});
        std::vector<std::string> messages;
        form.SetMessageHandler(
            [&](const std::string& text, const std::string&, MessageIcon) { messages.push_back(text); });
        SearchForTheCamera(form);
        if (QTest::currentTestFailed()) return;
        const std::string endpoint = form.Logic().OnvifEngine.m_Devices.at(0).endpoint;
        keyring.entries[endpoint] = {{"installer", "s3cret pass"}, "127.77.0.10"};
        form.Logic().SelectRow(1);

        DialogDriver driver;
        driver.Answer(form);
        form.NetworkSetup1->trigger();
        QCOMPARE(driver.seen, QStringList{QStringLiteral("NetForm")});
        QVERIFY(!messages.empty());
        // Then what it holds, as read back.
        QVERIFY2(messages.back().rfind("The camera took the new settings.\nIt holds: address ", 0) == 0,
                 messages.back().c_str());
        QVERIFY2(messages.back().find("(DHCP)") != std::string::npos, messages.back().c_str());
        QVERIFY(form.Logic().Watching());

        auto* status = form.findChild<QLabel*>(QStringLiteral("StatusText"));
        QTRY_VERIFY_WITH_TIMEOUT(status->text().startsWith(QString::fromStdString(endpoint + ": now at ")), 20000);
        driver.poll.stop();
        QVERIFY(!form.Logic().Watching());
        QCOMPARE(form.Cell(kColProj, form.Logic().SelectedRow), std::string("ONVIF"));
    }

    // One sign-in, then each task over both cameras; a restart counts as
    // back when the camera answers WS-Discovery again.
    void everyCameraTaskOverTwoCameras() {
        DevsimProcess devsim({"--no-udp", "--onvif", "2", "--onvif-user", "installer", "--onvif-password",
                              "s3cret pass", "--onvif-clock-offset", "3600", "--onvif-reboot-ms", "700", "--duration",
                              "90"});
        QVERIFY2(devsim.Start(), devsim.Error().c_str());
        TMainForm form;
        auto vault = std::make_unique<MemoryVault>();
        MemoryVault& keyring = *vault;
        form.OnvifMenu().SetCameraSupport(MakeOnvifDeviceAccess(), std::move(vault));
        std::vector<std::string> questions;
        form.SetQuestionHandler([&](const std::string& text) {
            questions.push_back(text);
            return true;
        });
        SearchForTheCamera(form, 2);
        if (QTest::currentTestFailed()) return;
        DialogDriver driver;
        driver.password = QStringLiteral("s3cret pass");
        driver.newPassword = QStringLiteral("Gr33n-Field.42");
        driver.Answer(form);

        form.StringGrid1->selectAll();
        CameraTasksForm* tasks = form.OnvifMenu().ShowCameraTasks();
        QVERIFY(tasks != nullptr);
        auto* table = tasks->findChild<QTableWidget*>(QStringLiteral("TableCameras"));
        auto* status = tasks->findChild<QLabel*>(QStringLiteral("LabelStatus"));
        QCOMPARE(table->rowCount(), 2);
        auto run = [&](const char* button, const QString& done, int seconds) {
            tasks->findChild<QPushButton*>(QString::fromLatin1(button))->click();
            QTRY_COMPARE_WITH_TIMEOUT(status->text(), done, seconds * 1000);
        };
        auto results = [&] { return table->item(0, 2)->text() + QStringLiteral(" | ") + table->item(1, 2)->text(); };

        run("ButtonReadFacts", QStringLiteral("Read Facts: 2 of 2 done"), 15);
        QCOMPARE(driver.seen, QStringList{QStringLiteral("OnvifSignInForm")});
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral("Devsim Optics"));
        QVERIFY2(table->item(0, 10)->text().startsWith(QStringLiteral("3")), qPrintable(table->item(0, 10)->text()));

        run("ButtonSyncTime", QStringLiteral("Sync Time: 2 of 2 done"), 15);
        QVERIFY2(results().startsWith(QStringLiteral("clock offset now ")), qPrintable(results()));

        run("ButtonChangePassword", QStringLiteral("Change Password: 2 of 2 done"), 15);
        QCOMPARE(results(), QStringLiteral("changed and proved | changed and proved"));
        QVERIFY2(keyring.entries.empty(), "not asked to remember: the new password is kept for the run");

        run("ButtonRestart", QStringLiteral("Restart: 2 of 2 done"), 60);
        QVERIFY2(results().contains(QRegularExpression(QStringLiteral("^back after \\d+\\.\\d s \\| back after "))),
                 qPrintable(results()));
        QCOMPARE(questions.size(), std::size_t{1});
        // The new password signs in after the restart, without a question.
        run("ButtonReadFacts", QStringLiteral("Read Facts: 2 of 2 done"), 15);
        driver.poll.stop();
        QCOMPARE(driver.seen.size(), 2);  // the sign-in and the new password
    }
};

int main(int argc, char** argv) {
    RequireLanBox();
    QApplication app(argc, argv);
    OnvifCameraLanTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "onvif_camera_lan_test.moc"
