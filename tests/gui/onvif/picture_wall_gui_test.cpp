// SPDX-License-Identifier: GPL-3.0-or-later
// "Pictures", the camera details and "Camera Tasks" in the window,
// offscreen, against a camera held in memory: the tiles by object name, the
// one sign-in of the wall, a double click into the details with their
// picture and profiles, what Copy Stream Address, Open Stream and Save
// Picture... hand to the desktop, and each task from its button.

#include <future>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>
#include <QtTest>

#include "app/main_form.h"
#include "app/string_grid_widget.h"
#include "camera/camera_desktop.h"
#include "camera/camera_tasks_form.h"
#include "camera/onvif_camera_menu.h"
#include "onvif/onvif_inventory.h"
#include "tests/support/fake_camera_window.h"
#include "tests/support/fake_onvif_camera.h"

namespace {

std::string JpegOf(const QColor& colour) {
    QImage image(64, 36, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.toStdString();
}

// The window with three listed cameras behind the fake.
struct Window {
    TMainForm form;
    FakeOnvifCamera* camera = nullptr;
    MemoryVault* vault = nullptr;
    std::vector<std::string> messages;

    Window() {
        auto fake = std::make_unique<FakeOnvifCamera>();
        fake->picture = JpegOf(Qt::darkCyan);
        camera = fake.get();
        auto keyring = std::make_unique<MemoryVault>();
        vault = keyring.get();
        form.OnvifMenu().SetCameraSupport(std::move(fake), std::move(keyring));
        form.SetMessageHandler(
            [this](const std::string& text, const std::string&, MessageIcon) { messages.push_back(text); });
        form.SetRowCount(4);
        const std::vector<tComUnitInfo> records = ListTestCameras(form.Logic(), 3);
        for (int n = 1; n <= 3; ++n) WriteRecordRow(form, n, records[static_cast<std::size_t>(n - 1)]);
        form.Logic().SelectRow(1);
    }

    // The camera's password in the keyring, given at its address.
    void Know(int camera) {
        vault->entries[TestOnvifCamera(camera).endpoint] = {{"admin", "secret"}, "127.0.0." + std::to_string(camera)};
    }
};

PictureTileWidget* Tile(QWidget* wall, int index) {
    return wall->findChild<PictureTileWidget*>(QStringLiteral("Tile%1").arg(index));
}

bool ShowsPicture(PictureTileWidget* tile) { return tile->HasPicture(); }

// Runs `act` on the next modal dialog named `name` once it is open.
void OnModal(const QString& name, std::function<void(QDialog*)> act) {
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, name, act = std::move(act)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || dialog->objectName() != name) return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start();
}

}  // namespace

class PictureWallGuiTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void theWallShowsKnownCamerasAndSignsInOnceForTheRest() {
        Window window;
        window.Know(2);
        window.form.OnvifMenu().Popup();
        QVERIFY(window.form.OnvifMenu().Pictures1->isVisible());
        QVERIFY(window.form.OnvifMenu().AllPictures1->isVisible());

        PictureWallForm* wall = window.form.OnvifMenu().ShowPictures(true);
        QVERIFY(wall != nullptr);
        QCOMPARE(wall->objectName(), QStringLiteral("PictureWallForm"));
        QVERIFY2(QApplication::activeModalWidget() == nullptr, "the wall is not modal");
        QTRY_COMPARE_WITH_TIMEOUT(wall->Logic().Waiting(), 0, 5000);
        QVERIFY(!ShowsPicture(Tile(wall, 0)));
        QVERIFY(ShowsPicture(Tile(wall, 1)));
        QCOMPARE(Tile(wall, 0)->PictureText(), QString::fromLatin1(kNeedsSignInText));
        QVERIFY(!Tile(wall, 0)->findChild<QPushButton*>(QStringLiteral("TileSignIn"))->isHidden());
        QVERIFY(Tile(wall, 1)->findChild<QPushButton*>(QStringLiteral("TileSignIn"))->isHidden());
        QCOMPARE(Tile(wall, 1)->Name(), QStringLiteral("lobby2"));
        QCOMPARE(Tile(wall, 1)->Address(), QStringLiteral("127.0.0.2"));
        for (const std::thread::id thread : window.camera->MediaThreads())
            QVERIFY2(thread != std::this_thread::get_id(), "no camera is asked on the window thread");

        QString asked;
        OnModal(QStringLiteral("OnvifSignInForm"), [&asked](QDialog* dialog) {
            asked = dialog->findChild<QLabel*>(QStringLiteral("LabelCamera"))->text();
            dialog->findChild<QLineEdit*>(QStringLiteral("EditUser"))->setText(QStringLiteral("admin"));
            dialog->findChild<QLineEdit*>(QStringLiteral("EditPassword"))->setText(QStringLiteral("secret"));
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonSignIn"))->click();
        });
        Tile(wall, 2)->findChild<QPushButton*>(QStringLiteral("TileSignIn"))->click();
        QCOMPARE(asked, QStringLiteral("Camera: 2 cameras of this batch"));
        QTRY_VERIFY_WITH_TIMEOUT(ShowsPicture(Tile(wall, 0)) && ShowsPicture(Tile(wall, 2)), 5000);
        QCOMPARE(wall->LabelStatus->text(), QStringLiteral("3 of 3 pictures"));

        const int fetched = window.camera->CountOf("FetchPicture");
        wall->ButtonRefresh->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.camera->CountOf("FetchPicture"), fetched + 3, 5000);
        QVERIFY(window.messages.empty());
    }

    void aDoubleClickOpensTheDetailsWithPictureProfilesAndTheirActions() {
        Window window;
        window.Know(1);
        QTemporaryDir folder;
        const QString saved = folder.filePath(QStringLiteral("saved.jpg"));
        CameraDesktop& desktop = TheCameraDesktop();
        const CameraDesktop real = desktop;
        QString suggested;
        QUrl opened;
        bool handler = false;
        desktop.chooseSaveFile = [&](QWidget*, const QString& name) {
            suggested = name;
            return saved;
        };
        desktop.hasHandler = [&](const QString& scheme) { return handler && scheme == QLatin1String("rtsp"); };
        desktop.openUrl = [&](const QUrl& url) {
            opened = url;
            return true;
        };

        window.form.Logic().SelectRow(1);
        PictureWallForm* wall = window.form.OnvifMenu().ShowPictures(false);
        QVERIFY(wall != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(ShowsPicture(Tile(wall, 0)), 5000);
        QVERIFY(Tile(wall, 1) == nullptr);

        bool seen = false;
        int profiles = 0;
        QString stream, clipboard, whole;
        bool picture = false;
        std::size_t messagesBefore = 0, messagesAfter = 0;
        OnModal(QStringLiteral("OnvifDeviceInfoForm"), [&](QDialog* dialog) {
            seen = true;
            picture = !dialog->findChild<QLabel*>(QStringLiteral("LabelPicture"))->pixmap().isNull();
            auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("TableProfiles"));
            profiles = table->rowCount();
            stream = table->item(0, 3)->text();
            whole = dialog->findChild<QLineEdit*>(QStringLiteral("EditStream"))->text();
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonCopyStream"))->click();
            clipboard = QGuiApplication::clipboard()->text();
            messagesBefore = window.messages.size();
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonOpenStream"))->click();
            messagesAfter = window.messages.size();
            handler = true;
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonOpenStream"))->click();
            dialog->findChild<QPushButton*>(QStringLiteral("ButtonSavePicture"))->click();
            dialog->findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
        });
        QTest::mouseDClick(Tile(wall, 0), Qt::LeftButton);
        desktop = real;

        QVERIFY(seen);
        QVERIFY(picture);
        QCOMPARE(profiles, 1);
        const QString address = QStringLiteral("rtsp://127.0.0.1/stream/main");
        QCOMPARE(stream, address);
        QCOMPARE(whole, address);
        QCOMPARE(clipboard, address);
        QCOMPARE(messagesAfter, messagesBefore + 1);
        const std::string& noHandler = window.messages.at(messagesBefore);
        QVERIFY2(noHandler.find("No program on this computer opens rtsp:") == 0, noHandler.c_str());
        QVERIFY2(noHandler.find(address.toStdString()) != std::string::npos, noHandler.c_str());
        QCOMPARE(opened, QUrl(address));
        QCOMPARE(suggested, QStringLiteral("lobby1.jpg"));
        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().toStdString(), window.camera->picture);
    }

    // Closing the wall while a camera is still being asked leaves at once.
    void closingTheWallNeverWaitsForACamera() {
        Window window;
        window.Know(1);
        std::promise<void> release;
        std::shared_future<void> gate = release.get_future().share();
        window.camera->beforeMedia = [gate] { gate.wait_for(std::chrono::seconds(5)); };
        window.form.Logic().SelectRow(1);
        QPointer<PictureWallForm> wall = window.form.OnvifMenu().ShowPictures(false);
        QTRY_COMPARE_WITH_TIMEOUT(window.camera->CountOf("ReadMedia"), 1, 5000);
        QElapsedTimer closing;
        closing.start();
        wall->close();
        QTRY_VERIFY_WITH_TIMEOUT(wall.isNull(), 2000);
        QVERIFY2(closing.elapsed() < 2000, "the window waited for the camera");
        release.set_value();
    }

    void cameraTasksRunEachTaskFromItsButtons() {
        Window window;
        for (int n = 1; n <= 3; ++n) window.Know(n);
        window.camera->facts.manufacturer = "Quillfeather";
        std::vector<std::string> questions;
        window.form.SetQuestionHandler([&](const std::string& text) {
            questions.push_back(text);
            return true;
        });
        OnvifCameraMenu& menu = window.form.OnvifMenu();
        menu.SetRestartWatch([](const FleetCamera&, FleetClock::time_point, std::chrono::seconds,
                                const std::atomic<bool>&) { return std::optional<double>(1.5); });
        menu.Popup();
        QVERIFY(menu.CameraTasks1->isVisible());
        window.form.StringGrid1->selectAll();
        menu.CameraTasks1->trigger();
        auto* tasks = window.form.findChild<CameraTasksForm*>(QStringLiteral("CameraTasksForm"));
        QVERIFY(tasks != nullptr);
        QVERIFY(tasks->isVisible());
        QVERIFY2(QApplication::activeModalWidget() == nullptr, "the tasks window is not modal");
        auto* table = tasks->findChild<QTableWidget*>(QStringLiteral("TableCameras"));
        auto* status = tasks->findChild<QLabel*>(QStringLiteral("LabelStatus"));
        auto click = [tasks](const char* name) { tasks->findChild<QPushButton*>(QString::fromLatin1(name))->click(); };
        QCOMPARE(table->rowCount(), 3);

        click("ButtonReadFacts");
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Read Facts: 3 of 3 done"), 5000);
        QCOMPARE(table->item(2, 0)->text(), QStringLiteral("lobby3"));
        QCOMPARE(table->item(2, 3)->text(), QStringLiteral("Quillfeather"));

        QTemporaryDir folder;
        const QString csv = folder.filePath(QStringLiteral("cameras.csv"));
        CameraDesktop& desktop = TheCameraDesktop();
        const CameraDesktop real = desktop;
        desktop.chooseInventoryFile = [&](QWidget*, const QString&) { return csv; };
        click("ButtonExport");
        desktop = real;
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 5);  // the header, three cameras, the last line break
        QCOMPARE(lines[0].toStdString(), OnvifInventoryHeader());
        click("ButtonCopy");
        QVERIFY(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("Name\tAddress\tResult\t")));

        bool mismatchRefused = false;
        QString offered;
        OnModal(QStringLiteral("ChangePasswordForm"), [&](QDialog* dialog) {
            offered = dialog->findChild<QComboBox*>(QStringLiteral("ComboUser"))->currentText();
            auto* change = dialog->findChild<QPushButton*>(QStringLiteral("ButtonChange"));
            dialog->findChild<QLineEdit*>(QStringLiteral("EditNewPassword"))
                ->setText(QStringLiteral("Quill-feather-42"));
            dialog->findChild<QLineEdit*>(QStringLiteral("EditRepeatPassword"))
                ->setText(QStringLiteral("Quill-feather"));
            mismatchRefused = !change->isEnabled();
            dialog->findChild<QLineEdit*>(QStringLiteral("EditRepeatPassword"))
                ->setText(QStringLiteral("Quill-feather-42"));
            change->click();
        });
        click("ButtonChangePassword");
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Change Password: 3 of 3 done"), 5000);
        QCOMPARE(offered, QStringLiteral("admin"));
        QVERIFY(mismatchRefused);
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("changed and proved"));
        QCOMPARE(window.vault->entries.at(TestOnvifCamera(3).endpoint).credentials.password, "Quill-feather-42");
        click("ButtonCopy");
        QVERIFY(!QGuiApplication::clipboard()->text().contains(QStringLiteral("Quill-feather")));

        click("ButtonRestart");
        QTRY_COMPARE_WITH_TIMEOUT(status->text(), QStringLiteral("Restart: 3 of 3 done"), 5000);
        QCOMPARE(questions,
                 std::vector<std::string>{"Restart 3 cameras? Each stops recording and streaming until it is back."});
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("back after 1.5 s"));
        QVERIFY(window.messages.empty());
    }
};

QTEST_MAIN(PictureWallGuiTest)
#include "picture_wall_gui_test.moc"
