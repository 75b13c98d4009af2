#pragma once
// Reads every datagram waiting on a UDP socket in one go, so a burst of
// answers leaves the socket's receive buffer as fast as the kernel can hand
// it over. Decoding is left to the caller, after the socket is empty.

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "protocol/plain_package.h"

class DatagramDrain {
public:
    DatagramDrain();

    // Appends the waiting datagrams to texts, in arrival order, each at its
    // own size (empty ones are skipped). Never blocks; returns when nothing is
    // left or kLimit datagrams were taken, so a flood cannot hold the caller.
    void Take(int fd, std::vector<std::string>& texts);

    static constexpr std::size_t kLimit = 4096;

private:
    // A slot holds the largest datagram; one byte of it is kept back, as a
    // single 64 KiB read always did.
    static constexpr std::size_t kSlot = kWireBufferSize;
    static constexpr std::size_t kBatch = 64;
    // Reused for every read and never cleared.
    std::unique_ptr<char[]> area_;
};
