// SPDX-License-Identifier: GPL-3.0-or-later
#include "upnp/ssdp_searcher.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include <glib-unix.h>

namespace {

// Per wake-up, so a host flooding the port cannot hold the loop.
constexpr int kMaxReadsPerWake = 256;
// Answers from 50 cameras sent at once must not overflow the socket.
constexpr int kReceiveBuffer = 1024 * 1024;

std::string ErrorText() { return std::strerror(errno); }

}  // namespace

SsdpSearcher::~SsdpSearcher() {
    if (source_ != nullptr) {
        g_source_destroy(source_);
        g_source_unref(source_);
    }
}

bool SsdpSearcher::Open(in_addr_t card, GMainContext* context, AnswerHandler onAnswer, std::string& error) {
    socket_.reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket_) {
        error = "socket(): " + ErrorText();
        return false;
    }
    const int size = kReceiveBuffer;
    ::setsockopt(socket_.get(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = card;
    in_addr via{};
    via.s_addr = card;
    // Answers come back by unicast; the search itself stays on the link.
    const unsigned char ttl = 2;
    if (::bind(socket_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::setsockopt(socket_.get(), IPPROTO_IP, IP_MULTICAST_IF, &via, sizeof via) != 0 ||
        ::setsockopt(socket_.get(), IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0) {
        error = ErrorText();
        socket_.reset();
        return false;
    }
    onAnswer_ = std::move(onAnswer);
    source_ = g_unix_fd_source_new(socket_.get(), G_IO_IN);
    g_source_set_callback(source_, reinterpret_cast<GSourceFunc>(reinterpret_cast<void (*)()>(&OnReadable)), this,
                          nullptr);
    g_source_attach(source_, context);
    return true;
}

bool SsdpSearcher::Send(unsigned mxSeconds, std::string& error) {
    if (!socket_) {
        error = "not open";
        return false;
    }
    sockaddr_in group{};
    group.sin_family = AF_INET;
    ::inet_pton(AF_INET, ssdp::kGroup, &group.sin_addr);
    group.sin_port = htons(ssdp::kPort);
    const std::string message = BuildMSearch(ssdp::kRootDevice, mxSeconds);
    if (::sendto(socket_.get(), message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&group),
                 sizeof group) < 0) {
        error = ErrorText();
        return false;
    }
    return true;
}

gboolean SsdpSearcher::OnReadable(gint, GIOCondition, gpointer self) {
    static_cast<SsdpSearcher*>(self)->ReadWaiting();
    return G_SOURCE_CONTINUE;
}

void SsdpSearcher::ReadWaiting() {
    char buffer[4096];
    for (int i = 0; i < kMaxReadsPerWake; ++i) {
        const ssize_t got = ::recv(socket_.get(), buffer, sizeof buffer, 0);
        if (got < 0) return;
        const auto answer = ParseRootDeviceAnswer(std::string_view(buffer, static_cast<std::size_t>(got)));
        if (answer && onAnswer_) onAnswer_(*answer);
    }
}
