// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading what clients send the relay: a datagram on UDP 6666, the query on a
// TCP connection, the head of an HTTP request. Bytes in, results out; any
// bytes at all are safe here.

#include <optional>
#include <string>
#include <string_view>

#include "netsetup/control_package.h"

enum class DatagramKind {
    RelayQuery,  // flag 02
    Setup,       // flag 03, a control package
    Other,       // anything else: a device's query (flag 00), an answer, noise
};

struct RelayDatagram {
    DatagramKind kind = DatagramKind::Other;
    // A control package as the Network Setup dialog would have held it.
    ControlRequest request;
    // Why the package may not be sent on, as the dialog says it ("Invalid
    // MAC - [..]"); empty when it may.
    std::string refusal;
};

// Decodes a datagram with the tool's codec and reads its one package. A
// control package must carry exactly the eleven fields, each fitting its
// record field, a network type the dialog offers, and pass the dialog's own
// checks; what follows its NUL must be nothing but zero bytes.
RelayDatagram ReadRelayDatagram(std::string_view datagram);

// A TCP client's request so far: a relay query once its package is whole.
enum class TcpRequest { Incomplete, RelayQuery, Other };
// More than this is no relay query.
inline constexpr std::size_t kTcpRequestLimit = 1024;
TcpRequest ReadTcpRequest(std::string_view received);

struct HttpRequestHead {
    enum class State { Incomplete, Complete, Malformed, TooLarge } state = State::Incomplete;
    std::string method;
    std::string target;
};
inline constexpr std::size_t kHttpHeadLimit = 8192;
// Complete once the head's empty line has come (CR LF, or a bare LF).
HttpRequestHead ReadHttpRequestHead(std::string_view received);
