// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One TCP client of the relay (a relay query, or an HTTP request) from its
// first byte to the last byte of its answer. For relay_server*.cpp only.

#include <netinet/in.h>

#include <memory>
#include <string>
#include <string_view>

#include "protocol/unique_fd.h"
#include "relay/relay_server.h"

struct RelayServer::Connection {
    enum class State { Reading, Waiting, Writing, Done };

    UniqueFd fd;
    bool http = false;
    in_addr_t client{};
    // Outside the allow list: an HTTP client is told so once it has asked.
    bool refused = false;
    State state = State::Reading;
    std::string received;
    std::string filter;  // HTTP: the project filter asked for
    RelayClock::time_point deadline;

    // What is written: `head`, then `body`, which `keep` keeps alive.
    std::string head;
    std::string_view body;
    std::shared_ptr<const void> keep;
    std::size_t sent = 0;
};
