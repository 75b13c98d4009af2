// SPDX-License-Identifier: GPL-3.0-or-later
#include "camera/camera_desktop.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "protocol/whole_file.h"

namespace {

QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// xdg-mime names the desktop file of the default program, or nothing.
bool XdgHasHandler(const QString& scheme) {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("x-scheme-handler/") + scheme});
    if (!query.waitForFinished(3000)) {
        query.kill();
        query.waitForFinished(1000);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0 &&
           !query.readAllStandardOutput().trimmed().isEmpty();
}

QString ChooseSaveFile(QWidget* owner, const QString& suggested) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    return QFileDialog::getSaveFileName(owner, QStringLiteral("Save Picture"), QDir(folder).filePath(suggested),
                                        QStringLiteral("Pictures (*.jpg *.jpeg *.png);;All files (*)"));
}

QString ChooseInventoryFile(QWidget* owner, const QString& suggested) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) folder = QDir::homePath();
    return QFileDialog::getSaveFileName(owner, QStringLiteral("Export Inventory"), QDir(folder).filePath(suggested),
                                        QStringLiteral("CSV files (*.csv);;All files (*)"));
}

}  // namespace

CameraDesktop& TheCameraDesktop() {
    static CameraDesktop desktop{ChooseSaveFile, ChooseInventoryFile, XdgHasHandler,
                                 [](const QUrl& url) { return QDesktopServices::openUrl(url); }};
    return desktop;
}

void SaveInventoryAs(QWidget* owner, WindowOps& form, const std::string& csv) {
    const QString path = TheCameraDesktop().chooseInventoryFile(owner, QStringLiteral("cameras.csv"));
    if (path.isEmpty()) return;
    const std::string error = WriteWholeFile(QFile::encodeName(path).toStdString(), csv);
    if (!error.empty())
        form.ShowMessage("The inventory was not written: " + error, "Export Inventory", MessageIcon::Warning);
}

void CopyStreamAddress(const std::string& uri) { QGuiApplication::clipboard()->setText(Q(uri)); }

void OpenStreamAddress(WindowOps& form, const std::string& uri) {
    const QUrl url(Q(uri), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    // Only a stream goes to the stream program; the address is the camera's text.
    if (!url.isValid() || (scheme != QLatin1String("rtsp") && scheme != QLatin1String("rtsps"))) {
        form.ShowMessage("This is no rtsp: address:\n" + uri, "Open Stream", MessageIcon::Warning);
        return;
    }
    CameraDesktop& desktop = TheCameraDesktop();
    if (!desktop.hasHandler(scheme)) {
        form.ShowMessage("No program on this computer opens " + scheme.toStdString() +
                             ": addresses. Install a video player that plays network streams (VLC or mpv, say), "
                             "or give it this address:\n" +
                             uri,
                         "Open Stream", MessageIcon::Information);
        return;
    }
    if (!desktop.openUrl(url))
        form.ShowMessage("The desktop could not open the stream:\n" + uri, "Open Stream", MessageIcon::Warning);
}

void SavePictureAs(QWidget* owner, WindowOps& form, const std::string& suggested,
                   const std::function<std::string(const std::string& path)>& save) {
    const QString path = TheCameraDesktop().chooseSaveFile(owner, Q(suggested));
    if (path.isEmpty()) return;
    const std::string error = save(QFile::encodeName(path).toStdString());
    if (!error.empty()) form.ShowMessage("The picture was not saved: " + error, "Save Picture", MessageIcon::Warning);
}
