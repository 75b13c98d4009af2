// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Files for LAN tests: a private directory, waiting for a file to appear,
// reading the lines a simulated device recorded.

#include <chrono>
#include <string>
#include <vector>

// A fresh directory under $TMPDIR (or /tmp), removed with its contents.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// True once `path` exists; false when the timeout passes first.
bool WaitForFile(const std::string& path, std::chrono::milliseconds timeout);

// The whole file as it is; empty when there is no file.
std::string ReadWholeFile(const std::string& path);

// The file's lines without their line ends; empty when there is no file.
std::vector<std::string> ReadLines(const std::string& path);

// The file's lines once there are at least `count` of them, or what there is
// when the timeout passes first. For what devsim writes a moment after the
// datagram arrived.
std::vector<std::string> WaitForLines(const std::string& path, std::size_t count,
                                      std::chrono::milliseconds timeout = std::chrono::seconds(5));

// Writes text to a file, replacing it; false on failure.
bool WriteFile(const std::string& path, const std::string& text);
