// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/whole_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

std::string WriteWholeFile(const std::string& path, std::string_view bytes) {
    if (path.empty()) return "no file name given";
    // A name of this process's own; the mode is what the user's umask leaves
    // of 0666, as for any file the user saves.
    static std::atomic<unsigned> made{0};
    const std::string temporary = path + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(made++);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return "cannot create a file beside " + path + ": " + std::strerror(errno);
    std::size_t written = 0;
    int error = 0;
    while (written < bytes.size() && error == 0) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0)
            error = n < 0 ? errno : EIO;
        else
            written += static_cast<std::size_t>(n);
    }
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temporary.c_str());
        return "cannot write " + path + ": " + std::strerror(error);
    }
    return {};
}
