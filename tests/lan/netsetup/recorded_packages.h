// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Waiting for the control packages a simulated device recorded.

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/lan_files.h"

// The recorded lines once there are at least `count`, or what there is when
// five seconds have passed.
inline std::vector<std::string> WaitForRecorded(const std::string& path, std::size_t count) {
    return WaitForLines(path, count, std::chrono::seconds(5));
}

// The recorded lines once one of them is `line`, or what there is when five
// seconds have passed.
inline std::vector<std::string> WaitForRecordedLine(const std::string& path, const std::string& line) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (true) {
        std::vector<std::string> lines = ReadLines(path);
        if (std::find(lines.begin(), lines.end(), line) != lines.end() ||
            std::chrono::steady_clock::now() >= deadline) {
            return lines;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}
