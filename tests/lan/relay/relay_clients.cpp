// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/lan/relay/relay_clients.h"

#include <poll.h>
#include <sys/socket.h>

#include <vector>

#include "protocol/plain_package.h"
#include "protocol/unique_fd.h"
#include "tests/support/fake_window.h"

std::string RelayQueryText() {
    FakeWindow form;
    std::vector<char> query(kWireBufferSize, '\0');
    MakePlainPkg(form, kFlagRelayQuery, query.data(), nullptr);
    return query.data();
}

std::string TcpExchange(in_addr_t relay, int port, const std::string& request, in_addr_t from,
                        std::chrono::milliseconds limit) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (from != INADDR_ANY) {
        sockaddr_in self{};
        self.sin_family = AF_INET;
        self.sin_addr.s_addr = from;
        if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0) return "(refused)";
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = relay;
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) return "(refused)";
    ::send(fd.get(), request.data(), request.size(), MSG_NOSIGNAL);
    std::string answer;
    const auto end = std::chrono::steady_clock::now() + limit;
    std::vector<char> buffer(65536);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        pollfd wait{fd.get(), POLLIN, 0};
        if (left <= 0 || ::poll(&wait, 1, static_cast<int>(left)) <= 0) break;
        const ssize_t got = ::recv(fd.get(), buffer.data(), buffer.size(), 0);
        if (got <= 0) break;
        answer.append(buffer.data(), static_cast<std::size_t>(got));
    }
    return answer;
}
