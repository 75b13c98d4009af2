// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The UDP side of the device protocol: the reply socket and the one-shot
// sender of queries and control packages.

#include <netinet/in.h>

#include <vector>

#include "protocol/window_ops.h"

// Receive buffer asked of the reply socket, so a burst of answers from
// thousands of devices is not dropped before it is read.
constexpr int kReplySocketReceiveBuffer = 4 * 1024 * 1024;

// Opens a blocking UDP socket bound to INADDR_ANY:port. sock receives the
// handle as soon as it exists (-1 if none); addr the bound address. Returns
// 0 when bound, else -1 — then a live handle in sock is the caller's to close.
int DM_CreateUDPBroadcastSocket(WindowOps& form, int port, int& sock, sockaddr_in& addr);

// The same socket, logging to form unless it is null; with `shared` other
// sockets of this user asking the same may join it on that port
// (SO_REUSEPORT).
int CreateReplySocket(WindowOps* form, int port, int& sock, sockaddr_in& addr, bool shared);

// Sends text (without its NUL) as one datagram to port: at the relay host
// when "IP Relay" is chosen, else to 255.255.255.255 once through every
// network card that can broadcast (through routing's choice when there is
// none but loopback). Returns 0 when at least one datagram was handed to the
// network, else -1; a failing card logs its line and the others still send.
// A relay text that is not an address sends nothing. Each datagram tried is
// added to `outcomes` when given: its source address (INADDR_ANY when routing
// chose the card) and whether it was handed to the network.
struct SendOutcome {
    in_addr_t source{};
    bool sent = false;
};
int DM_SendUDPBroadcast(WindowOps& form, int port, const char* text, std::vector<SendOutcome>* outcomes = nullptr);

// Sends text (without its NUL) as one datagram to port of one host (network
// byte order), from an address routing chooses. 0 when handed to the network.
int SendUdpTo(WindowOps& form, int port, const char* text, in_addr_t host);

// Closes sock if open and sets it to -1.
void CloseSocket(int& sock);
