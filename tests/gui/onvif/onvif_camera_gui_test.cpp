// The main window's camera actions through their dialogs: sign in where no
// keyring is, then the details dialog with what the camera said of itself.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/main_form.h"
#include "app/onvif_camera_menu.h"
#include "onvif/onvif_rows.h"
#include "tests/support/fake_onvif_camera.h"

class OnvifCameraGuiTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void signInThenTheDetailsShowTheCamerasFacts() {
        TMainForm form;
        auto camera = std::make_unique<FakeOnvifCamera>();
        FakeOnvifCamera& fake = *camera;
        fake.facts.manufacturer = "Quillfeather Optics";
        fake.facts.model = "QF-200";
        fake.facts.serial = "QF0042";
        fake.facts.interfaces = {{"eth0", true, "02:00:5e:10:00:01", false, "127.0.0.3", 8}};
        fake.facts.clockOffsetSeconds = 10800;
        auto vault = std::make_unique<MemoryVault>();
        vault->available = false;
        form.OnvifMenu().SetCameraSupport(std::move(camera), std::move(vault));

        OnvifDeviceInfo device;
        device.endpoint = "urn:uuid:7e57ca11-0000-4000-8000-000000000003";
        device.scopes = {"onvif://www.onvif.org/name/lobby<b>3</b>"};
        device.xaddrs = {"http://127.0.0.3/onvif/device_service"};
        std::string problem;
        const auto record = OnvifDeviceRecord(device, problem);
        QVERIFY(record);
        form.Logic().ComUnitList.push_back(*record);
        form.Logic().OnvifEngine.m_Devices.push_back(device);
        form.SetRowCount(2);
        WriteRecordRow(form, 1, *record);
        form.Logic().SelectRow(1);

        form.OnvifMenu().Popup();
        QVERIFY(form.OnvifMenu().SignIn1->isVisible());
        QVERIFY(form.OnvifMenu().SyncTime1->isVisible());

        QStringList seen;
        QTimer driver;
        driver.setInterval(20);
        connect(&driver, &QTimer::timeout, &form, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || seen.contains(dialog->objectName())) return;
            seen << dialog->objectName();
            if (dialog->objectName() == QLatin1String("OnvifSignInForm")) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("ONVIF Sign In"));
                auto* cameraLabel = dialog->findChild<QLabel*>(QStringLiteral("LabelCamera"));
                QVERIFY(cameraLabel && cameraLabel->text().contains(QStringLiteral("lobby<b>3</b>")));
                QCOMPARE(cameraLabel->textFormat(), Qt::PlainText);
                QVERIFY(!dialog->findChild<QCheckBox*>(QStringLiteral("CheckRemember"))->isEnabled());
                QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("LabelKeyring"))
                            ->text()
                            .contains(QStringLiteral("not remembered")));
                QVERIFY(dialog->findChild<QPushButton*>(QStringLiteral("ButtonForget"))->isHidden());
                dialog->findChild<QLineEdit*>(QStringLiteral("EditUser"))->setText(QStringLiteral("admin"));
                dialog->findChild<QLineEdit*>(QStringLiteral("EditPassword"))->setText(QStringLiteral("secret"));
                dialog->findChild<QPushButton*>(QStringLiteral("ButtonSignIn"))->click();
            } else if (dialog->objectName() == QLatin1String("OnvifDeviceInfoForm")) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("ONVIF Device Detail Info."));
                QCOMPARE(dialog->findChild<QLineEdit*>(QStringLiteral("EditEndpoint"))->text(),
                         QString::fromStdString(device.endpoint));
                const QString facts = dialog->findChild<QPlainTextEdit*>(QStringLiteral("EditFacts"))->toPlainText();
                QVERIFY2(facts.contains(QStringLiteral("Manufacturer: Quillfeather Optics")), qPrintable(facts));
                QVERIFY2(facts.contains(QStringLiteral("MAC: 02:00:5e:10:00:01")), qPrintable(facts));
                QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("LabelClock"))->text(),
                         QStringLiteral("The camera's clock is 10800 s off; sign-in may fail until it is set."));
                fake.facts.clockOffsetSeconds = 0.1;
                dialog->findChild<QPushButton*>(QStringLiteral("ButtonRefresh"))->click();
                QVERIFY(dialog->findChild<QLabel*>(QStringLiteral("LabelClock"))->isHidden());
                dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
            }
        });
        driver.start();
        // A dialog the checks above failed to close is closed here.
        QTimer::singleShot(10000, &form, [] {
            while (auto* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        form.Info1->trigger();
        driver.stop();

        QCOMPARE(seen, (QStringList{QStringLiteral("OnvifSignInForm"), QStringLiteral("OnvifDeviceInfoForm")}));
        QCOMPARE(fake.CountOf("ReadFacts"), 2);
        QCOMPARE(fake.Calls().front(), std::string("ReadFacts http://127.0.0.3/onvif/device_service admin"));
    }
};

QTEST_MAIN(OnvifCameraGuiTest)
#include "onvif_camera_gui_test.moc"
