// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/support/private_network.h"

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "protocol/unique_fd.h"

namespace {

constexpr int kNoNamespace = 77;

bool BringLoopbackUp() {
    UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!sock) return false;
    ifreq req{};
    std::strncpy(req.ifr_name, "lo", IFNAMSIZ - 1);
    if (::ioctl(sock.get(), SIOCGIFFLAGS, &req) != 0) return false;
    req.ifr_flags = static_cast<short>(req.ifr_flags | IFF_UP);
    return ::ioctl(sock.get(), SIOCSIFFLAGS, &req) == 0;
}

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::optional<std::string> RunInPrivateNetwork(const std::function<std::string()>& body,
                                               std::chrono::milliseconds limit) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return std::string("pipe failed");
    UniqueFd readEnd(fds[0]);
    UniqueFd writeEnd(fds[1]);

    const pid_t pid = ::fork();
    if (pid < 0) return std::string("fork failed");
    if (pid == 0) {
        readEnd.reset();
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0 || !BringLoopbackUp()) ::_exit(kNoNamespace);
        WriteAll(writeEnd.get(), body());
        ::_exit(0);
    }
    writeEnd.reset();

    std::string out;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{readEnd.get(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
        char chunk[4096];
        const ssize_t n = ::read(readEnd.get(), chunk, sizeof chunk);
        if (n <= 0) break;
        out.append(chunk, static_cast<std::size_t>(n));
    }
    if (timedOut) ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (timedOut) return std::string("child overran its time limit");
    if (WIFEXITED(status) && WEXITSTATUS(status) == kNoNamespace) return std::nullopt;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "child failed, status " + std::to_string(status) + ": " + out;
    return out;
}
