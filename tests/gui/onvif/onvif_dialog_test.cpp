// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "web/detail_dialogs.h"

class OnvifDialogTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every answer field shows, lists one item per line, nothing is editable,
    // and OK closes the dialog.
    void showsWhatTheDeviceSaid() {
        OnvifDeviceInfo device;
        device.endpoint = "urn:uuid:4f4e5649-4600-4000-8000-000000000003";
        device.types = {"{http://www.onvif.org/ver10/network/wsdl}NetworkVideoTransmitter"};
        device.scopes = {"onvif://www.onvif.org/hardware/QRN-6400", "onvif://www.onvif.org/name/Caf%C3%A9",
                         "onvif://www.onvif.org/Profile/Streaming"};
        device.xaddrs = {"http://[fe80::1]/onvif/device_service", "http://127.77.0.13/onvif/device_service"};
        device.metadataVersion = "7";
        device.answeredFrom = "127.77.0.13:3702";

        QWidget owner;
        bool seen = false;
        QTimer::singleShot(0, &owner, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            seen = true;
            QCOMPARE(dialog->windowTitle(), QStringLiteral("ONVIF Device Detail Info."));
            QCOMPARE(dialog->parentWidget(), &owner);
            auto line = [&](const char* name) { return dialog->findChild<QLineEdit*>(QLatin1String(name)); };
            auto list = [&](const char* name) { return dialog->findChild<QPlainTextEdit*>(QLatin1String(name)); };
            QVERIFY(line("EditEndpoint") && list("EditTypes") && list("EditScopes") && list("EditXAddrs") &&
                    line("EditMetadataVersion") && line("EditAnsweredFrom"));
            QCOMPARE(line("EditEndpoint")->text(), QStringLiteral("urn:uuid:4f4e5649-4600-4000-8000-000000000003"));
            QCOMPARE(list("EditScopes")->toPlainText(),
                     QStringLiteral("onvif://www.onvif.org/hardware/QRN-6400\nonvif://www.onvif.org/name/Caf%C3%A9\n"
                                    "onvif://www.onvif.org/Profile/Streaming"));
            QCOMPARE(list("EditXAddrs")->toPlainText(),
                     QStringLiteral("http://[fe80::1]/onvif/device_service\nhttp://127.77.0.13/onvif/device_service"));
            QVERIFY(list("EditTypes")->toPlainText().contains(QStringLiteral("NetworkVideoTransmitter")));
            QCOMPARE(line("EditMetadataVersion")->text(), QStringLiteral("7"));
            QCOMPARE(line("EditAnsweredFrom")->text(), QStringLiteral("127.77.0.13:3702"));
            for (auto* edit : dialog->findChildren<QLineEdit*>()) QVERIFY(edit->isReadOnly());
            for (auto* edit : dialog->findChildren<QPlainTextEdit*>()) QVERIFY(edit->isReadOnly());
            auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1"));
            QVERIFY(ok);
            ok->click();
        });
        // A dialog the checks above failed to close is closed here.
        QTimer::singleShot(5000, &owner, [] {
            if (auto* dialog = QApplication::activeModalWidget()) dialog->close();
        });
        ShowOnvifDeviceInfoDialog(&owner, device);
        QVERIFY(seen);
        QVERIFY(owner.findChildren<QDialog*>().isEmpty());
    }
};

QTEST_MAIN(OnvifDialogTest)
#include "onvif_dialog_test.moc"
