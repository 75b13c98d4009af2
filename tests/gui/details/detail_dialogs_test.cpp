// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/detail_dialogs.h"

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "protocol/com_unit_info.h"
#include "protocol/device_information_container.h"

namespace {

// What the test saw of the modal dialog while it was up.
struct Seen {
    bool found = false;
    QString objectName;
    QString title;
    QWidget* parent = nullptr;
    bool modal = false;
    QSize size;
    QPoint centreOffset;                             // dialog centre less owner centre
    std::vector<std::pair<QString, QString>> texts;  // edit name, its text
    bool allReadOnly = true;
    bool labelsBold = true;
    int labels = 0;
};

// Runs `show` and, from inside its modal loop, records the dialog and then
// ends it with `finish`. A watchdog closes a dialog the test failed to end.
Seen DriveModal(QWidget* owner, const std::function<void()>& show, const QStringList& editNames,
                const std::function<void(QDialog*)>& finish) {
    Seen seen;
    QTimer::singleShot(0, owner, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog) return;
        seen.found = true;
        seen.objectName = dialog->objectName();
        seen.title = dialog->windowTitle();
        seen.parent = dialog->parentWidget();
        seen.modal = dialog->isModal();
        seen.size = dialog->size();
        seen.centreOffset = dialog->frameGeometry().center() - owner->frameGeometry().center();
        for (const QString& name : editNames) {
            auto* edit = dialog->findChild<QLineEdit*>(name);
            seen.texts.emplace_back(name, edit ? edit->text() : QStringLiteral("<missing>"));
            if (!edit || !edit->isReadOnly()) seen.allReadOnly = false;
        }
        for (auto* label : dialog->findChildren<QLabel*>()) {
            ++seen.labels;
            if (!label->font().bold()) seen.labelsBold = false;
        }
        finish(dialog);
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto* w = QApplication::activeModalWidget()) w->close();
    });
    watchdog.start(5000);
    show();
    return seen;
}

void ClickOk(QDialog* dialog) {
    if (auto* ok = dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1")); ok && ok->text() == QStringLiteral("OK"))
        ok->click();
}

tComUnitInfo SampleRecord() {
    tComUnitInfo rec{};
    const char* const fields[kComUnitFieldCount] = {"IPCAM-200",
                                                    "CAM",
                                                    "Front door",
                                                    "198.51.100.10",
                                                    "8080",
                                                    "255.255.255.0",
                                                    "198.51.100.1",
                                                    "198.51.100.2",
                                                    "00:11:22:33:44:55",
                                                    "eth0",
                                                    "installed 2024 above the main entrance, facing the gate"};
    for (int i = 0; i < kComUnitFieldCount; ++i) SetComUnitField(ComUnitField(rec, i), ComUnitFieldWidth(i), fields[i]);
    return rec;
}

// Each edit of TForm1 with the field it shows and a sample text.
struct UpnpEdit {
    const char* edit;
    std::string DeviceInformationContainer::*field;
    const char* sample;
};
using D = DeviceInformationContainer;
const UpnpEdit kUpnpEdits[] = {
    {"EditChild", &D::Children, "0"},
    {"EditDescription", &D::Description, "AXIS KX4148-LE Network Camera"},
    {"EditFriendName", &D::FriendlyName, "AXIS KX4148-LE - B8A44F000001"},
    {"EditHasCh", &D::HasChildren, "False"},
    {"EditIconURL", &D::IconURL, "http://203.0.113.1:80/icon48.png"},
    {"EditIsRooDev", &D::IsRootDevice, "True"},
    {"EditManuName", &D::ManufacturerName, "AXIS"},
    {"EditManuURL", &D::ManufacturerURL, "http://www.axis.com/"},
    {"EditModelName", &D::ModelName, "AXIS KX4148-LE"},
    {"EditModelNum", &D::ModelNumber, "KX4148-LE"},
    {"EditModelURL", &D::ModelURL, "http://www.axis.com/products/"},
    {"EditParentDev", &D::ParentDevice, ""},
    {"EditPresURL", &D::PresentationURL, "http://203.0.113.1:80/"},
    {"EditRootDev", &D::RootDevice, "uuid:Upnp-BasicDevice-1_0-B8A44F000001"},
    {"EditSeriaNum", &D::SerialNumber, "B8A44F000001"},
    {"EditService", &D::Services, "urn:axis-com:serviceId:BasicService"},
    {"EditType", &D::Type, "urn:schemas-upnp-org:device:Basic:1"},
    {"EditUniqName", &D::UniqueDeviceName, "uuid:Upnp-BasicDevice-1_1-B8A44F000001"},
    {"EditUPC", &D::UPC, "123456789012"},
};

}  // namespace

class DetailDialogsTest : public QObject {
    Q_OBJECT

private:
    QWidget owner_;

    void Screenshot(QDialog* dialog, const char* file) {
        const QString dir = qEnvironmentVariable("LANVARO_SCREENSHOT_DIR");
        if (!dir.isEmpty()) dialog->grab().save(QDir(dir).filePath(QString::fromLatin1(file)));
    }

private Q_SLOTS:
    void initTestCase() {
        owner_.setWindowTitle(QStringLiteral("owner"));
        owner_.resize(807, 624);
        owner_.show();
        QVERIFY(QTest::qWaitForWindowExposed(&owner_));
    }

    void deviceInfoShowsEveryFieldOfTheRecord() {
        const tComUnitInfo rec = SampleRecord();
        // The dialog's order, which puts Mac before Gateway unlike the record.
        const std::vector<std::pair<const char*, std::string>> expected = {
            {"EditModel", ComUnitFieldText(rec.model)},       {"EditProj", ComUnitFieldText(rec.proj)},
            {"EditName", ComUnitFieldText(rec.name)},         {"EditIP", ComUnitFieldText(rec.ip)},
            {"EditPort", ComUnitFieldText(rec.trigger_port)}, {"EditNetmask", ComUnitFieldText(rec.netmask)},
            {"EditMac", ComUnitFieldText(rec.mac)},           {"EditGateway", ComUnitFieldText(rec.gateway)},
            {"EditDNS", ComUnitFieldText(rec.dns)},           {"EditDev", ComUnitFieldText(rec.dev)},
            {"EditNote", ComUnitFieldText(rec.note)},
        };
        QStringList names;
        for (const auto& e : expected) names << QString::fromLatin1(e.first);
        const Seen seen = DriveModal(
            &owner_, [&] { ShowDeviceInfoDialog(&owner_, rec); }, names,
            [&](QDialog* d) {
                Screenshot(d, "form_info.png");
                ClickOk(d);
            });

        QVERIFY(seen.found);
        QCOMPARE(seen.objectName, QStringLiteral("FormInfo"));
        QCOMPARE(seen.title, QStringLiteral("Detail Info."));
        QCOMPARE(seen.parent, &owner_);
        QVERIFY(seen.modal);
        QVERIFY(seen.allReadOnly);
        QVERIFY(seen.labelsBold);
        QCOMPARE(seen.labels, 11);
        QVERIFY(qAbs(seen.centreOffset.x()) <= 2 && qAbs(seen.centreOffset.y()) <= 2);
        for (std::size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(seen.texts[i].second, QString::fromStdString(expected[i].second));
        // Gone once closed: nothing of it is left under the owner.
        QVERIFY(owner_.findChildren<QDialog*>().isEmpty());
    }

    void upnpInfoShowsTheNineteenTexts() {
        DeviceInformationContainer d;
        QStringList names;
        for (const UpnpEdit& e : kUpnpEdits) {
            d.*e.field = e.sample;
            names << QString::fromLatin1(e.edit);
        }
        const Seen seen = DriveModal(
            &owner_, [&] { ShowUpnpDeviceInfoDialog(&owner_, d); }, names,
            [&](QDialog* dialog) {
                Screenshot(dialog, "form1.png");
                ClickOk(dialog);
            });

        QVERIFY(seen.found);
        QCOMPARE(seen.objectName, QStringLiteral("Form1"));
        QCOMPARE(seen.title, QStringLiteral("Upnp Device Detail Info."));
        QCOMPARE(seen.parent, &owner_);
        QVERIFY(seen.modal);
        QCOMPARE(seen.size, QSize(479, 642));
        QVERIFY(seen.allReadOnly);
        QVERIFY(seen.labelsBold);
        QCOMPARE(seen.labels, 19);
        for (std::size_t i = 0; i < std::size(kUpnpEdits); ++i)
            QCOMPARE(seen.texts[i].second, QString::fromLatin1(kUpnpEdits[i].sample));
        QVERIFY(owner_.findChildren<QDialog*>().isEmpty());
    }

    // Device texts are any bytes: invalid UTF-8 and a field without its NUL
    // must show as text, not stop the dialog.
    void arbitraryBytesAreShown() {
        tComUnitInfo rec{};
        std::memset(rec.note, 'N', sizeof rec.note);  // no terminating NUL
        SetComUnitField(rec.name, "cam\xff\xfe");
        const Seen seen = DriveModal(
            &owner_, [&] { ShowDeviceInfoDialog(&owner_, rec); },
            {QStringLiteral("EditName"), QStringLiteral("EditNote"), QStringLiteral("EditGateway")}, ClickOk);
        QVERIFY(seen.found);
        QVERIFY(seen.texts[0].second.startsWith(QStringLiteral("cam")));
        QCOMPARE(seen.texts[1].second, QString(static_cast<qsizetype>(sizeof rec.note), QLatin1Char('N')));
        QCOMPARE(seen.texts[2].second, QString());
    }
};

QTEST_MAIN(DetailDialogsTest)
#include "detail_dialogs_test.moc"
