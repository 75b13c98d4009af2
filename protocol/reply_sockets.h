// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The reply port opened as several sockets that share it. A single socket's
// receive buffer holds a few hundred answers on a machine without
// privileges; the kernel spreads arriving datagrams over the group at
// random, so a burst from thousands of devices fits in the buffers together
// even while the reader waits for a processor.

#include <cstddef>
#include <vector>

#include "protocol/unique_fd.h"
#include "protocol/window_ops.h"

// Enough room for a burst of 4,096 answers with no reading at all.
constexpr std::size_t kReplySocketCount = 16;

struct ReplySockets {
    std::vector<UniqueFd> sockets;  // empty when the port could not be opened
    // Another program had the port already: then one socket is opened, as
    // DM_CreateUDPBroadcastSocket opens it, so that a second search (another
    // window, another finder) never joins the first one's group.
    bool portShared = false;
};

// Opens up to `count` sockets bound to INADDR_ANY:port, each with the
// receive buffer and options of DM_CreateUDPBroadcastSocket, and with kernel
// arrival times on what they receive. None when the first cannot be bound
// (logged as DM_CreateUDPBroadcastSocket logs it); a later one that cannot
// be opened only makes the group smaller.
ReplySockets OpenReplySockets(WindowOps& form, int port, std::size_t count = kReplySocketCount);

// True when a socket is bound to the UDP port already, whatever options it
// took (a bind without any of them fails).
bool UdpPortInUse(int port);

// Datagrams the kernel dropped because a socket's receive buffer was full,
// summed over the group: answers that reached this computer and were lost.
long long DroppedDatagrams(const std::vector<UniqueFd>& group);
