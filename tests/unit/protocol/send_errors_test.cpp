// SPDX-License-Identifier: GPL-3.0-or-later
// ICMP errors read back from a socket's error queue, on loopback in a
// private network namespace.

#include "protocol/send_errors.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cerrno>
#include <string>

#include <gtest/gtest.h>

#include "protocol/broadcast_interfaces.h"
#include "protocol/unique_fd.h"
#include "tests/support/private_network.h"

namespace {

sockaddr_in To(const char* address, int port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    to.sin_addr.s_addr = ::inet_addr(address);
    return to;
}

// A closed port answers with a port unreachable: the next send fails with
// ECONNREFUSED and is not sent, and the queue names the host that refused.
TEST(SendErrors, APortUnreachableIsQueuedAndFailsTheNextSend) {
    const auto outcome = RunInPrivateNetwork([] {
        UniqueFd sock(::socket(AF_INET, SOCK_DGRAM, 0));
        if (!ReceiveSendErrors(sock.get())) return std::string("no IP_RECVERR");
        const sockaddr_in closed = To("127.0.0.7", 9);
        const auto send = [&] {
            return ::sendto(sock.get(), "x", 1, 0, reinterpret_cast<const sockaddr*>(&closed), sizeof closed);
        };
        if (send() != 1) return std::string("first send failed");
        const bool refused = send() < 0 && IsQueuedIcmpError(errno);
        std::vector<SendError> errors;
        DrainSendErrors(sock.get(), errors);
        if (errors.empty()) return std::string("nothing queued");
        const SendError& e = errors.front();
        std::string text = std::string(refused ? "refused" : "sent") + " " + Ipv4Text(e.destination) + " by " +
                           Ipv4Text(e.offender) + (e.HostUpPortClosed() ? " up" : " ?");
        text += send() == 1 ? ", sent after draining" : ", still failing";
        return text;
    });
    if (!outcome) GTEST_SKIP() << "no network namespace here";
    EXPECT_EQ(*outcome, "refused 127.0.0.7 by 127.0.0.7 up, sent after draining");
}

TEST(SendErrors, SlowDownAndQueuedErrorsAreTold) {
    EXPECT_TRUE(IsSlowDownError(ENOBUFS));
    EXPECT_TRUE(IsSlowDownError(EAGAIN));
    EXPECT_FALSE(IsSlowDownError(ECONNREFUSED)) << "a refusal is a host's answer, not a full queue";
    EXPECT_TRUE(IsQueuedIcmpError(ECONNREFUSED));
    EXPECT_TRUE(IsQueuedIcmpError(EHOSTUNREACH));
    EXPECT_FALSE(IsQueuedIcmpError(ENOBUFS)) << "no host is down when this computer runs out of room";
}

}  // namespace
