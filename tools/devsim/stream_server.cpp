// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/stream_server.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

namespace {

using namespace std::chrono_literals;
constexpr std::size_t kMaxConnections = 64;

}  // namespace

std::chrono::milliseconds Remaining(std::chrono::steady_clock::time_point deadline) {
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? left : 0ms;
}

bool StreamServer::Start(std::uint16_t port, std::string name, Serve serve,
                         std::function<void(const std::string&)> diag, std::string& error) {
    name_ = std::move(name);
    serve_ = std::move(serve);
    diag_ = std::move(diag);
    if (!waker_.valid()) {
        error = "eventfd failed";
        return false;
    }
    listener_ = BindAnyPort(SOCK_STREAM, port, error);
    if (!listener_) return false;
    acceptor_ = std::thread([this] { AcceptLoop(); });
    return true;
}

void StreamServer::Stop() {
    waker_.Wake();
    if (acceptor_.joinable()) acceptor_.join();
    std::lock_guard lock(mutex_);
    for (Connection& c : connections_) c.thread.join();
    connections_.clear();
}

void StreamServer::AcceptLoop() {
    for (;;) {
        const int ready = WaitReady(listener_.get(), POLLIN, waker_, 1000ms);
        if (ready < 0) return;
        if (ready == 0) continue;
        sockaddr_in peer{};
        socklen_t length = sizeof peer;
        UniqueFd conn(
            ::accept4(listener_.get(), reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!conn) continue;
        std::lock_guard lock(mutex_);
        Reap();
        if (connections_.size() >= kMaxConnections) {
            diag_(name_ + ": too many connections, dropping " + AddressText(peer));
            continue;
        }
        auto done = std::make_shared<std::atomic<bool>>(false);
        connections_.push_back({std::thread([this, fd = std::make_shared<UniqueFd>(std::move(conn)), peer, done] {
                                    serve_(fd->get(), peer);
                                    done->store(true);
                                }),
                                done});
    }
}

void StreamServer::Reap() {
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
}

std::size_t SendAllUntil(int fd, const std::string& data, const Waker& waker,
                         std::chrono::steady_clock::time_point deadline) {
    std::size_t offset = 0;
    while (offset < data.size()) {
        const ssize_t n = ::send(fd, data.data() + offset, data.size() - offset, MSG_NOSIGNAL);
        if (n > 0) {
            offset += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) break;
        if (WaitReady(fd, POLLOUT, waker, Remaining(deadline)) <= 0) break;
    }
    return offset;
}

bool HoldOpen(int fd, const Waker& waker) {
    char sink[4096];
    for (;;) {
        const int ready = WaitReady(fd, POLLIN, waker, 1000ms);
        if (ready < 0) return false;
        if (ready == 0) continue;
        const ssize_t n = ::recv(fd, sink, sizeof sink, 0);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) return true;
    }
}
