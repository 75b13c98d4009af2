#include "cli/onvif_password.h"

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>

namespace {

constexpr std::size_t kMaxPassword = 1024;

std::string FirstLine(std::string text) {
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') text.pop_back();
    return text;
}

}  // namespace

std::optional<std::string> ReadOnvifPassword(const std::optional<std::string>& passwordFile, const std::string& user,
                                             std::string& error) {
    if (passwordFile) {
        std::ifstream in(*passwordFile, std::ios::binary);
        if (!in.is_open()) {
            error = "cannot open the password file " + *passwordFile;
            return std::nullopt;
        }
        std::string text(kMaxPassword + 2, '\0');
        in.read(text.data(), static_cast<std::streamsize>(text.size()));
        if (in.bad()) {
            error = "cannot read the password file " + *passwordFile;
            return std::nullopt;
        }
        text.resize(static_cast<std::size_t>(in.gcount()));
        return FirstLine(text);
    }
    if (const char* fromEnvironment = std::getenv("LANVARO_ONVIF_PASSWORD")) return std::string(fromEnvironment);
    if (::isatty(STDIN_FILENO) == 0) {
        error = "no password: give --password-file or LANVARO_ONVIF_PASSWORD";
        return std::nullopt;
    }
    termios saved{};
    const bool terminal = ::tcgetattr(STDIN_FILENO, &saved) == 0;
    if (terminal) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::fprintf(stderr, "Password for %s: ", user.c_str());
    std::fflush(stderr);
    std::string line;
    std::getline(std::cin, line);
    if (terminal) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    std::fprintf(stderr, "\n");
    if (line.size() > kMaxPassword) line.resize(kMaxPassword);
    return FirstLine(line);
}
