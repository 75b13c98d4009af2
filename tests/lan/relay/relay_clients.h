// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Clients of a relay as the tests and the benchmark need them: a TCP
// exchange from a chosen source address, and the window's relay query.

#include <netinet/in.h>

#include <chrono>
#include <string>

// The relay query as the window sends it (encoded).
std::string RelayQueryText();

// Connects from `from` (INADDR_ANY: routing's choice; network byte order) to
// `relay`:`port`, sends `request`, and reads until the relay closes, at most
// `limit`. What came back; "(refused)" when no connection was made.
std::string TcpExchange(in_addr_t relay, int port, const std::string& request, in_addr_t from = INADDR_ANY,
                        std::chrono::milliseconds limit = std::chrono::seconds(10));
