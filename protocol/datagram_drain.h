// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads every datagram waiting on a UDP socket in one go, so a burst of
// answers leaves the socket's receive buffer as fast as the kernel can hand
// it over. Decoding is left to the caller, after the socket is empty.

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocol/plain_package.h"

struct ReceivedDatagram {
    std::string text;
    // When the kernel took it in (ns of the real-time clock; the time of
    // reading where the socket gives none), so that datagrams read from
    // several sockets can be put back in arrival order.
    std::int64_t arrival = 0;
    // The sender's address (network byte order).
    in_addr_t source{};
};

class DatagramDrain {
public:
    // `batch` datagrams are taken per call into the kernel, each into a slot
    // of its own that can hold the largest datagram.
    explicit DatagramDrain(std::size_t batch = kBatch);

    // Appends the waiting datagrams to out, in arrival order, each at its
    // own size (empty ones are skipped). Never blocks; returns when nothing is
    // left or kLimit datagrams were taken, so a flood cannot hold the caller.
    void Take(int fd, std::vector<ReceivedDatagram>& out);

    static constexpr std::size_t kLimit = 4096;

private:
    // A slot holds the largest datagram; one byte of it is kept back, as a
    // single 64 KiB read always did.
    static constexpr std::size_t kSlot = kWireBufferSize;
    static constexpr std::size_t kBatch = 64;
    std::size_t batch_;
    // Reused for every read and never cleared.
    std::unique_ptr<char[]> area_;
};

// The clock arrival times are read on.
std::int64_t RealTimeNanoseconds();

// Orders datagrams taken from several sockets by arrival; those that
// arrived at the same moment keep the order they were taken in.
void SortByArrival(std::vector<ReceivedDatagram>& datagrams);
