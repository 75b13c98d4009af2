// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serves TCP connections for devsim's relays: accepts on a listening socket
// and serves each connection on a thread of its own, a bounded number at
// once. Stop wakes every wait that uses the server's waker and joins all.

#include <netinet/in.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/devsim/devsim_net.h"

class StreamServer {
public:
    using Serve = std::function<void(int fd, const sockaddr_in& peer)>;

    StreamServer() = default;
    StreamServer(const StreamServer&) = delete;
    StreamServer& operator=(const StreamServer&) = delete;
    ~StreamServer() { Stop(); }

    // Listens on 0.0.0.0:port; false with a reason when it cannot.
    bool Start(std::uint16_t port, std::string name, Serve serve, std::function<void(const std::string&)> diag,
               std::string& error);
    void Stop();

    // Waits that should end when devsim stops use this waker.
    const Waker& waker() const { return waker_; }

private:
    struct Connection {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void AcceptLoop();
    void Reap();

    std::string name_;
    Serve serve_;
    std::function<void(const std::string&)> diag_;
    Waker waker_;
    UniqueFd listener_;
    std::thread acceptor_;
    std::mutex mutex_;
    std::list<Connection> connections_;
};

// Sends all of `data` unless the deadline passes or devsim stops; returns
// how many bytes went out.
std::size_t SendAllUntil(int fd, const std::string& data, const Waker& waker,
                         std::chrono::steady_clock::time_point deadline);

// Keeps a connection open, reading and dropping what comes, until the client
// closes it (true) or devsim stops (false).
bool HoldOpen(int fd, const Waker& waker);

// Time left until a deadline, never negative.
std::chrono::milliseconds Remaining(std::chrono::steady_clock::time_point deadline);
