// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Socket plumbing shared by devsim's services.

#include <netinet/in.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "protocol/unique_fd.h"

// A socket bound to 0.0.0.0:port with SO_REUSEADDR (and SO_BROADCAST for
// UDP); listening when it is TCP. Invalid, with a reason, on failure.
UniqueFd BindAnyPort(int type, std::uint16_t port, std::string& error);

// Joins the discovery group 239.255.255.250 on every card that is up and
// takes multicast; returns the card announcements leave through (the first
// that is not loopback, else the first), or nullopt when none could join.
std::optional<in_addr> JoinDiscoveryGroup(int fd);

// "a.b.c.d:port"
std::string AddressText(const sockaddr_in& address);

// Sends one datagram, from the local address `from` where given (as a
// device with several addresses answers from the one asked about). A full
// send queue is waited out briefly instead of dropping the datagram; false
// with a reason when it could not be sent.
bool SendDatagram(int fd, const sockaddr_in& to, std::string_view data, std::string& error,
                  std::optional<in_addr> from = std::nullopt);

// The same from a chosen source address of this host, as a device standing
// at that address answers; INADDR_ANY lets routing choose.
inline bool SendDatagramFrom(int fd, const sockaddr_in& to, in_addr from, std::string_view data, std::string& error) {
    return SendDatagram(fd, to, data, error, from.s_addr == htonl(INADDR_ANY) ? std::nullopt : std::optional(from));
}

// Reads one datagram without waiting, with the address it was sent to and
// the card it came in on (the socket needs IP_PKTINFO on). -1 when none was
// waiting.
ssize_t ReceiveDatagram(int fd, char* buffer, std::size_t size, sockaddr_in& from, in_addr& to,
                        unsigned* arrivedOn = nullptr);

// Whether a datagram sent to `to` was meant for every host that heard it
// (a broadcast or a group) rather than for the one holding that address.
bool SentToAll(in_addr to);

// Lets a thread blocked in poll() be woken for shutdown.
class Waker {
public:
    Waker();
    int fd() const { return fd_.get(); }
    bool valid() const { return fd_.valid(); }
    void Wake();

private:
    UniqueFd fd_;
};

// Waits until fd is ready for `events` or the waker fires. Returns 1 when
// ready, 0 on timeout, -1 when woken (or on error).
int WaitReady(int fd, short events, const Waker& waker, std::chrono::milliseconds timeout);
