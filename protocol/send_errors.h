// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// ICMP errors for the datagrams a UDP socket sent, read from its error
// queue (IP_RECVERR). With the option on, the kernel also fails the next
// send or receive of the socket with the last error (a port unreachable
// makes it ECONNREFUSED); that datagram was not sent, and the queue says
// which earlier one the error was about.

#include <netinet/in.h>

#include <cstdint>
#include <vector>

// Turns the error queue on; false where the socket refuses.
bool ReceiveSendErrors(int fd);

struct SendError {
    in_addr_t destination{};  // where the datagram the error is about was sent
    in_addr_t offender{};     // who sent the ICMP error; 0 when not told
    std::uint8_t type = 0;    // ICMP type and code
    std::uint8_t code = 0;
    bool fromIcmp = false;  // else a local error the kernel queued

    // The host itself said nothing listens on that port: it is up.
    bool HostUpPortClosed() const {
        return fromIcmp && type == 3 && code == 3 && offender != 0 && offender == destination;
    }
};

// Appends the queued errors (at most `limit`, so a flood cannot hold the
// caller); never blocks. Returns how many were read.
int DrainSendErrors(int fd, std::vector<SendError>& out, int limit = 256);

// Whether a failed sendto or recv reported an ICMP error that arrived for an
// earlier datagram rather than a fault of this call: drain the queue and
// send (or read) again.
bool IsQueuedIcmpError(int errnum);

// Whether a failed sendto means the sender is going too fast (a full queue
// or neighbour table): wait and send the same datagram again.
bool IsSlowDownError(int errnum);
