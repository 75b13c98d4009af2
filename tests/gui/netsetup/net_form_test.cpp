// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/net_form.h"

#include <memory>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include "tests/support/fake_window.h"

namespace {

const tComUnitInfo kDevice = MakeRecord({"IPCAM", "P1", "Door", "198.51.100.5", "80", "255.255.255.0", "198.51.100.1",
                                         "198.51.100.2", "00:11:22:33:44:55", "eth0", ""});

const char* const kAddressEditNames[] = {"LabeledEditIP", "LabeledEditGateway", "LabeledEditNetmask", "LabeledEditDNS"};

// Answers each message box as a person would, from a real modal box that
// takes the activation away from the dialog, as the main window's does.
class ModalMessageWindow : public FakeWindow {
public:
    void ShowMessage(const std::string& text, const std::string& title, MessageIcon icon) override {
        FakeWindow::ShowMessage(text, title, icon);
        QMessageBox box(QMessageBox::Warning, QString::fromStdString(title), QString::fromStdString(text),
                        QMessageBox::Ok, QApplication::activeWindow());
        QTimer::singleShot(30, &box, &QMessageBox::accept);
        box.exec();
    }
};

}  // namespace

class NetFormTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<FakeWindow> form_;
    std::unique_ptr<TNetForm> dialog_;

    template <typename T>
    T* Child(const char* name) {
        T* child = dialog_->findChild<T*>(QString::fromLatin1(name));
        if (child == nullptr) qFatal("no control %s", name);
        return child;
    }
    QLineEdit* EditOf(const char* name) { return Child<QLineEdit>(name); }
    QString CaptionOf(const char* name) {
        for (QLabel* label : dialog_->findChildren<QLabel*>()) {
            if (label->buddy() == EditOf(name)) return label->text();
        }
        return QStringLiteral("<no label>");
    }
    void ShowActive() {
        dialog_->show();
        QApplication::setActiveWindow(dialog_.get());
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    }

private Q_SLOTS:
    void init() {
        form_ = std::make_unique<FakeWindow>();
        // Should a test reach the sending step, the datagram stays on this host.
        form_->method = SearchMethod::IpRelay;
        form_->relayAddress = "127.0.0.1";
        dialog_ = std::make_unique<TNetForm>(nullptr, *form_, kDevice);
    }
    void cleanup() {
        dialog_.reset();
        form_.reset();
    }

    void showsTheRecordUnderTheCaptions() {
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("Network Setup"));
        QCOMPARE(Child<QGroupBox>("GroupBox2")->title(), QStringLiteral("Device Information"));
        QCOMPARE(Child<QGroupBox>("GroupBox1")->title(), QStringLiteral("Network Property"));
        const std::vector<std::tuple<const char*, const char*, const char*>> edits{
            {"LabeledEditModel", "Model", "IPCAM"},
            {"LabeledEditProj", "Project", "P1"},
            {"LabeledEditName", "Name", "Door"},
            {"LabeledEditMac", "MAC", "00:11:22:33:44:55"},
            {"LabeledEditIP", "IP Address", "198.51.100.5"},
            {"LabeledEditGateway", "Gateway", "198.51.100.1"},
            {"LabeledEditNetmask", "Netmask", "255.255.255.0"},
            {"LabeledEditDNS", "DNS", "198.51.100.2"},
            {"LabeledEditDev", "Dev", "eth0"},
            {"LabeledEditPort", "Port", "80"}};
        for (const auto& [name, caption, text] : edits) {
            QCOMPARE(CaptionOf(name), QString::fromLatin1(caption));
            QCOMPARE(EditOf(name)->text(), QString::fromLatin1(text));
        }
        QCOMPARE(Child<QPushButton>("ButtonApply")->text(), QStringLiteral("Apply"));
        QCOMPARE(Child<QPushButton>("ButtonClose")->text(), QStringLiteral("Close"));
        // The address edits sit in the panel, top to bottom in edit order.
        auto* panel = Child<QWidget>("NetworkPropertyPanel");
        dialog_->show();
        int lastY = -1;
        for (const char* name : kAddressEditNames) {
            QCOMPARE(EditOf(name)->parentWidget(), panel);
            QVERIFY(EditOf(name)->y() > lastY);
            lastY = EditOf(name)->y();
            QCOMPARE(EditOf(name)->maxLength(), 15);
        }
    }

    void hidesTorvoAndTheCarriedFields() {
        dialog_->show();
        QVERIFY(Child<QRadioButton>("RadioButtonDhcp")->isVisible());
        QVERIFY(Child<QRadioButton>("RadioButtonStatic")->isVisible());
        QVERIFY(!Child<QRadioButton>("RadioButtonTorvo")->isVisible());
        for (const char* name : {"LabeledEditDev", "LabeledEditPort"}) {
            QVERIFY(!EditOf(name)->isVisible());
            QVERIFY(!EditOf(name)->isEnabled());
        }
        for (const char* name : {"LabeledEditModel", "LabeledEditProj", "LabeledEditName", "LabeledEditMac"}) {
            QVERIFY(EditOf(name)->isReadOnly());
            QCOMPARE(EditOf(name)->focusPolicy(), Qt::NoFocus);
        }
    }

    void typeButtonsDriveTheAddressEdits() {
        auto* dhcp = Child<QRadioButton>("RadioButtonDhcp");
        auto* stat = Child<QRadioButton>("RadioButtonStatic");
        auto* torvo = Child<QRadioButton>("RadioButtonTorvo");
        QVERIFY(!dhcp->isChecked() && !stat->isChecked() && !torvo->isChecked());
        auto enabledCount = [&] {
            int n = 0;
            for (const char* name : kAddressEditNames) n += EditOf(name)->isEnabled() ? 1 : 0;
            return n;
        };
        QCOMPARE(enabledCount(), 0);
        QTest::mouseClick(stat, Qt::LeftButton);
        QCOMPARE(enabledCount(), 4);
        QTest::mouseClick(dhcp, Qt::LeftButton);
        QVERIFY(!stat->isChecked());
        QCOMPARE(enabledCount(), 0);
        QCOMPARE(EditOf("LabeledEditIP")->text(), QStringLiteral("198.51.100.5"));
        torvo->setChecked(true);
        QCOMPARE(enabledCount(), 4);
    }

    void informationEditsHandTheFocusToClose() {
        ShowActive();
        EditOf("LabeledEditModel")->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), Child<QPushButton>("ButtonClose"));
        EditOf("LabeledEditPort")->setFocus();  // hidden and disabled: refuses the focus
        QCOMPARE(QApplication::focusWidget(), Child<QPushButton>("ButtonClose"));
    }

    void tabbingWalksTheAddressEditsTopDown() {
        Child<QRadioButton>("RadioButtonStatic")->click();
        ShowActive();
        EditOf("LabeledEditIP")->setFocus();
        for (const char* next : {"LabeledEditGateway", "LabeledEditNetmask", "LabeledEditDNS"}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTRY_COMPARE(QApplication::focusWidget(), EditOf(next));
        }
        QTest::qWait(20);
        QVERIFY(form_->messages.empty());
    }

    void leavingABadAddressWarnsOnceAndTakesTheFocusBack() {
        Child<QRadioButton>("RadioButtonStatic")->click();
        ShowActive();
        EditOf("LabeledEditIP")->setText(QStringLiteral("198.51.x"));
        EditOf("LabeledEditGateway")->setText(QStringLiteral("nowhere"));
        EditOf("LabeledEditIP")->setFocus();
        QTest::keyClick(EditOf("LabeledEditIP"), Qt::Key_Tab);
        QTRY_COMPARE(form_->messages.size(), std::size_t{1});
        QCOMPARE(form_->messages[0].text, std::string("Invalid IP Address - [198.51.x]"));
        QCOMPARE(form_->messages[0].title, std::string("Warning"));
        QTRY_COMPARE(QApplication::focusWidget(), EditOf("LabeledEditIP"));
        // The gateway edit lost the focus only because it was taken back:
        // its own bad text is not reported, and nothing bounces.
        QTest::qWait(50);
        QCOMPARE(form_->messages.size(), std::size_t{1});
    }

    void aModalMessageBoxNeitherRepeatsNorLosesTheFocus() {
        dialog_.reset();
        auto modal = std::make_unique<ModalMessageWindow>();
        dialog_ = std::make_unique<TNetForm>(nullptr, *modal, kDevice);
        Child<QRadioButton>("RadioButtonStatic")->click();
        ShowActive();
        EditOf("LabeledEditIP")->setText(QStringLiteral("198.51.x"));
        EditOf("LabeledEditGateway")->setText(QStringLiteral("nowhere"));
        EditOf("LabeledEditIP")->setFocus();
        QTest::keyClick(EditOf("LabeledEditIP"), Qt::Key_Tab);
        QTRY_COMPARE(modal->messages.size(), std::size_t{1});
        // The dialog gets the activation back from the window system, and with
        // it the focus to the edit; offscreen there is no such system.
        QTRY_COMPARE(dialog_->focusWidget(), EditOf("LabeledEditIP"));
        QTest::qWait(300);
        QCOMPARE(modal->messages.size(), std::size_t{1});
        QCOMPARE(modal->messages[0].text, std::string("Invalid IP Address - [198.51.x]"));
        dialog_.reset();
    }

    void leavingTheGatewayOutsideTheNetworkWarnsWithoutHoldingTheFocus() {
        Child<QRadioButton>("RadioButtonStatic")->click();
        ShowActive();
        EditOf("LabeledEditGateway")->setText(QStringLiteral("203.0.113.1"));
        EditOf("LabeledEditGateway")->setFocus();
        QTest::keyClick(EditOf("LabeledEditGateway"), Qt::Key_Tab);
        QTRY_COMPARE(form_->messages.size(), std::size_t{1});
        QCOMPARE(form_->messages[0].text, std::string("Unresonable Gateway - [203.0.113.1]"));
        QCOMPARE(QApplication::focusWidget(), EditOf("LabeledEditNetmask"));
    }

    void applyRefusesWithoutATypeOrWithABadStaticAddress() {
        ShowActive();
        Child<QPushButton>("ButtonApply")->click();
        QCOMPARE(form_->messages.size(), std::size_t{1});
        QCOMPARE(form_->messages[0].text, std::string("Please specify the network type first."));
        QVERIFY(dialog_->isVisible());

        Child<QRadioButton>("RadioButtonStatic")->click();
        EditOf("LabeledEditDNS")->setText(QString());
        Child<QPushButton>("ButtonApply")->click();
        QCOMPARE(form_->messages.size(), std::size_t{2});
        QCOMPARE(form_->messages[1].text, std::string("Invalid DNS - []"));
        QTRY_COMPARE(QApplication::focusWidget(), EditOf("LabeledEditDNS"));
        QVERIFY(dialog_->isVisible());
        QVERIFY(!form_->LogContains("[Kestrova"));
    }

    void applyRefusesAnAddressAnotherListedDeviceHolds() {
        NetSetupContext context;
        context.knownDevices = {kDevice, MakeRecord({"IPCAM", "P1", "Gate", "198.51.100.9", "80", "255.255.255.0",
                                                     "198.51.100.1", "198.51.100.2", "00:11:22:33:44:66", "eth0", ""})};
        bool sent = false;
        context.onSent = [&sent](const ControlRequest&) { sent = true; };
        dialog_ = std::make_unique<TNetForm>(nullptr, *form_, kDevice, std::move(context));
        ShowActive();
        Child<QRadioButton>("RadioButtonStatic")->click();
        EditOf("LabeledEditIP")->setText(QStringLiteral("198.51.100.9"));
        Child<QPushButton>("ButtonApply")->click();
        QCOMPARE(form_->messages.size(), std::size_t{1});
        QCOMPARE(form_->messages[0].text,
                 std::string("The address 198.51.100.9 is already used by Gate (00:11:22:33:44:66)."));
        QCOMPARE(form_->messages[0].title, std::string("Warning"));
        QTRY_COMPARE(QApplication::focusWidget(), EditOf("LabeledEditIP"));
        QVERIFY(dialog_->isVisible());
        QVERIFY(!sent);
        QVERIFY(!form_->LogContains("[Kestrova"));
    }

    void showNetFormDialogIsModalCentredAndGoneAfterClose() {
        dialog_.reset();
        QWidget owner;
        owner.setGeometry(100, 100, 800, 600);
        owner.show();
        bool seen = false;
        QPointer<QDialog> shown;
        QPoint offset;
        QTimer::singleShot(0, &owner, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) return;
            seen = dialog->parentWidget() == &owner && dialog->isModal() &&
                   dialog->windowTitle() == QStringLiteral("Network Setup");
            shown = dialog;
            offset = dialog->frameGeometry().center() - owner.frameGeometry().center();
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonClose"))->click();
        });
        // Ends a dialog the timer above failed to close, so the test cannot hang.
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        watchdog.start(5000);
        ShowNetFormDialog(&owner, *form_, kDevice);
        QVERIFY(seen);
        QVERIFY(shown.isNull());
        QVERIFY(qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 2);
        QVERIFY(form_->messages.empty());
    }
};

QTEST_MAIN(NetFormTest)
#include "net_form_test.moc"
