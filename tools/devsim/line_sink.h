// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Appends whole lines to a file (or stdout), one write per line, so every
// line is on disk as soon as it is recorded and lines from several threads
// or processes never interleave.

#include <mutex>
#include <string>

#include "protocol/unique_fd.h"

class LineSink {
public:
    LineSink() = default;  // discards everything
    LineSink(const LineSink&) = delete;
    LineSink& operator=(const LineSink&) = delete;

    // Opens path for appending, creating it; "-" is stdout. False with a
    // reason when the file cannot be opened.
    bool Open(const std::string& path, std::string& error);

    bool IsOpen() const { return fd_ >= 0; }
    void Write(const std::string& line);

private:
    std::mutex mutex_;
    UniqueFd owned_;
    int fd_ = -1;
};
