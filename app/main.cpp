// SPDX-License-Identifier: GPL-3.0-or-later
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QIcon>
#include <QSettings>

#include "app/display_check.h"
#include "app/main_form.h"
#include "app/window_memory.h"

namespace {

const char* const kUsage =
    "usage: lanvaro [--help] [--version] [Qt options, e.g. -platform NAME]\n"
    "Opens the window that finds network cameras and similar devices on the local network.\n"
    "Without a display, lanvaro-cli runs the same searches in a terminal (lanvaro-cli --help).\n";

// Qt's messages while it connects to the display are held back: should it
// fail, the one line below says more than its warnings and its abort.
bool startingUp = true;
std::vector<std::pair<QtMsgType, std::string>> heldMessages;
QtMessageHandler qtHandler = nullptr;

void StartupMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (!startingUp) {
        qtHandler(type, context, text);
        return;
    }
    if (type == QtFatalMsg) {
        // Still one line: ours, with Qt's first message on why (which display,
        // or a plugin that would not load).
        std::string why = heldMessages.empty() ? std::string() : heldMessages.front().second;
        why = why.substr(0, why.find('\n'));
        if (why.empty())
            std::fprintf(stderr, "%s\n", kNoDisplayMessage);
        else
            std::fprintf(stderr, "%s (Qt: %s)\n", kNoDisplayMessage, why.c_str());
        std::_Exit(1);
    }
    heldMessages.emplace_back(type, text.toStdString());
}

void EndStartup() {
    startingUp = false;
    for (const auto& [type, text] : heldMessages) {
        qtHandler(type, QMessageLogContext(), QString::fromStdString(text));
    }
    heldMessages.clear();
    qInstallMessageHandler(qtHandler);
}

}  // namespace

int main(int argc, char* argv[]) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("Lanvaro %s\n", LANVARO_VERSION);
            return 0;
        }
    }
    if (!DisplayNamed(args, [](const char* name) { return std::getenv(name); })) {
        std::fprintf(stderr, "%s\n", kNoDisplayMessage);
        return 1;
    }

    qtHandler = qInstallMessageHandler(StartupMessageHandler);
    QApplication app(argc, argv);
    EndStartup();
    QApplication::setOrganizationName(QStringLiteral("Lanvaro"));
    QApplication::setApplicationName(QStringLiteral("Lanvaro"));
    QApplication::setApplicationVersion(QStringLiteral(LANVARO_VERSION));
    // Wayland finds the icon and name through the desktop entry.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.lanvaro.Lanvaro"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("org.lanvaro.Lanvaro"),
                                                 QIcon(QStringLiteral(":/icons/org.lanvaro.Lanvaro.svg"))));

    TMainForm form;
    // Under the user's config folder; the window owns it.
    new WindowMemory(form, std::make_unique<QSettings>());
    form.show();
    return QApplication::exec();
}
