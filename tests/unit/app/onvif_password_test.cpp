// SPDX-License-Identifier: GPL-3.0-or-later
// Where lanvaro-cli takes a camera's password from: a file that others can
// read is named, a password too long is refused rather than cut, and Ctrl-C
// at the prompt gives the terminal its echo back.

#include "cli/onvif_password.h"

#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>

#include <gtest/gtest.h>

namespace {

class PasswordFile : public testing::Test {
protected:
    void SetUp() override { unsetenv("LANVARO_ONVIF_PASSWORD"); }
    void TearDown() override { std::remove(path.c_str()); }
    void Write(const std::string& text, mode_t mode) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        ::chmod(path.c_str(), mode);
    }
    std::optional<std::string> Read(std::string& error, std::string& warnings) {
        testing::internal::CaptureStderr();
        auto password = ReadOnvifPassword(path, "admin", error);
        warnings = testing::internal::GetCapturedStderr();
        return password;
    }
    const std::string path = testing::TempDir() + "lanvaro-password-test";
};

TEST_F(PasswordFile, OthersReadingItIsNamedAndTheFirstLineIsThePassword) {
    std::string error, warnings;
    Write("s3cret\r\nsecond line\n", 0644);
    EXPECT_EQ(Read(error, warnings), "s3cret");
    EXPECT_EQ(warnings, "Warning: " + path + " can be read by other users (chmod 600 " + path + ")\n");
    Write("s3cret\n", 0600);
    EXPECT_EQ(Read(error, warnings), "s3cret");
    EXPECT_EQ(warnings, "");
}

TEST_F(PasswordFile, APasswordOverTheLimitIsRefusedNotCut) {
    std::string error, warnings;
    Write(std::string(1024, 'p') + "\n", 0600);
    EXPECT_EQ(Read(error, warnings), std::string(1024, 'p'));
    Write(std::string(1025, 'p') + "\n", 0600);
    EXPECT_EQ(Read(error, warnings), std::nullopt);
    EXPECT_EQ(error, "the password is longer than 1024 bytes");
    setenv("LANVARO_ONVIF_PASSWORD", std::string(1025, 'p').c_str(), 1);
    EXPECT_EQ(ReadOnvifPassword(std::nullopt, "admin", error), std::nullopt);
    EXPECT_EQ(error, "the password is longer than 1024 bytes");
}

TEST(PasswordPrompt, CtrlCGivesTheTerminalItsEchoBack) {
    unsetenv("LANVARO_ONVIF_PASSWORD");
    int controller = -1;
    const pid_t child = ::forkpty(&controller, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string error;
        ReadOnvifPassword(std::nullopt, "admin", error);
        _exit(0);  // reached only if the interrupt did not stop it
    }
    // Wait for the prompt (bounded), then press Ctrl-C.
    std::string seen;
    char buffer[256];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (seen.find("Password for admin: ") == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        const ssize_t n = ::read(controller, buffer, sizeof buffer);
        if (n <= 0) break;
        seen.append(buffer, static_cast<std::size_t>(n));
    }
    ASSERT_NE(seen.find("Password for admin: "), std::string::npos) << seen;
    termios during{};
    ASSERT_EQ(::tcgetattr(controller, &during), 0);
    EXPECT_EQ(during.c_lflag & ECHO, 0u);
    const char interrupt = static_cast<char>(during.c_cc[VINTR]);
    ASSERT_EQ(::write(controller, &interrupt, 1), 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
    termios after{};
    ASSERT_EQ(::tcgetattr(controller, &after), 0);
    EXPECT_NE(after.c_lflag & ECHO, 0u);
    ::close(controller);
}

}  // namespace
