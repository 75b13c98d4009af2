// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/line_sink.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

bool LineSink::Open(const std::string& path, std::string& error) {
    std::lock_guard lock(mutex_);
    if (path == "-") {
        owned_.reset();
        fd_ = STDOUT_FILENO;
        return true;
    }
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    owned_.reset(fd);
    fd_ = fd;
    return true;
}

void LineSink::Write(const std::string& line) {
    std::lock_guard lock(mutex_);
    if (fd_ < 0) return;
    std::string data = line + "\n";
    const char* p = data.data();
    size_t left = data.size();
    // A short write is possible on pipes; bounded because each round either
    // writes something or fails.
    while (left > 0) {
        ssize_t n = ::write(fd_, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        left -= static_cast<size_t>(n);
    }
}
