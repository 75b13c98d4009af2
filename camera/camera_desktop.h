// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the camera windows hand to the desktop: file choosers for Save
// Picture... and Export Inventory..., the program for rtsp: addresses, the clipboard. Tests replace
// the parts that would block or leave the process.

#include <functional>
#include <string>

#include <QString>

#include "protocol/window_ops.h"

class QUrl;
class QWidget;

struct CameraDesktop {
    // The file to write, or empty when the user cancelled.
    std::function<QString(QWidget* owner, const QString& suggested)> chooseSaveFile;
    // Where Camera Tasks writes its inventory (CSV); empty when cancelled.
    std::function<QString(QWidget* owner, const QString& suggested)> chooseInventoryFile;
    // Whether the desktop names a program for addresses of this scheme
    // (QDesktopServices cannot tell: its openUrl succeeds either way).
    std::function<bool(const QString& scheme)> hasHandler;
    std::function<bool(const QUrl& url)> openUrl;
};

// The process's one; Qt's and xdg-mime's behind it unless a test says otherwise.
CameraDesktop& TheCameraDesktop();

// Asks where to write the camera inventory and writes it; says why it was not written.
void SaveInventoryAs(QWidget* owner, WindowOps& form, const std::string& csv);

// Puts a stream address (never holding a password) on the clipboard.
void CopyStreamAddress(const std::string& uri);

// Hands a stream address to the desktop's program for rtsp:, or says what to
// install where there is none.
void OpenStreamAddress(WindowOps& form, const std::string& uri);

// Asks where to save a picture and writes it with `save` (empty, or why not).
void SavePictureAs(QWidget* owner, WindowOps& form, const std::string& suggested,
                   const std::function<std::string(const std::string& path)>& save);
