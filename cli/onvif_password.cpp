// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/onvif_password.h"

#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "protocol/terminal_text.h"

namespace {

constexpr std::size_t kMaxPassword = 1024;
constexpr const char* kTooLong = "the password is longer than 1024 bytes";

std::string FirstLine(std::string text) {
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

// Cut silently, a long password would be refused by the camera as a wrong one.
std::optional<std::string> Bounded(std::string password, std::string& error) {
    if (password.size() <= kMaxPassword) return password;
    error = kTooLong;
    return std::nullopt;
}

void WarnIfOthersCanRead(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || (status.st_mode & 077) == 0) return;
    const std::string shown = TerminalText(path);
    std::fprintf(stderr, "Warning: %s can be read by other users (chmod 600 %s)\n", shown.c_str(), shown.c_str());
}

std::optional<std::string> ReadPasswordFile(const std::string& path, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open()) {
        error = "cannot open the password file " + path;
        return std::nullopt;
    }
    WarnIfOthersCanRead(path);
    // Enough to tell a first line too long from one that fits, with its line break.
    std::string text(kMaxPassword + 3, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        error = "cannot read the password file " + path;
        return std::nullopt;
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    return Bounded(FirstLine(text), error);
}

// The terminal as it was before the prompt turned echo off: Ctrl-C at the
// prompt must not leave the user's shell without echo.
termios savedTerminal{};

extern "C" void RestoreEchoAndStop(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::optional<std::string> Prompt(const std::string& user, std::string& error) {
    const bool terminal = ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0;
    struct sigaction restore {
    }, previousInt{}, previousTerm{};
    if (terminal) {
        restore.sa_handler = RestoreEchoAndStop;
        sigemptyset(&restore.sa_mask);
        ::sigaction(SIGINT, &restore, &previousInt);
        ::sigaction(SIGTERM, &restore, &previousTerm);
        termios quiet = savedTerminal;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::fprintf(stderr, "Password for %s: ", TerminalText(user).c_str());
    std::fflush(stderr);
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &savedTerminal);
        ::sigaction(SIGINT, &previousInt, nullptr);
        ::sigaction(SIGTERM, &previousTerm, nullptr);
    }
    std::fprintf(stderr, "\n");
    return Bounded(FirstLine(line), error);
}

}  // namespace

std::optional<std::string> ReadOnvifPassword(const std::optional<std::string>& passwordFile, const std::string& user,
                                             std::string& error) {
    if (passwordFile) return ReadPasswordFile(*passwordFile, error);
    if (const char* fromEnvironment = std::getenv("LANVARO_ONVIF_PASSWORD")) return Bounded(fromEnvironment, error);
    if (::isatty(STDIN_FILENO) == 0) {
        error = "no password: give --password-file or LANVARO_ONVIF_PASSWORD";
        return std::nullopt;
    }
    return Prompt(user, error);
}
