// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/reply_sockets.h"

#include <linux/filter.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "protocol/datagram_drain.h"
#include "protocol/text_format.h"
#include "protocol/udp_socket.h"

namespace {

// Each datagram goes to a socket picked at random. Without the program the
// kernel picks by the sender's address and port, which puts every answer
// relayed by one host, or sent by one simulator, into the same buffer.
bool SpreadAtRandom(int sock, std::size_t count) {
    std::array<sock_filter, 3> program{{
        {BPF_LD | BPF_W | BPF_ABS, 0, 0, static_cast<std::uint32_t>(SKF_AD_OFF + SKF_AD_RANDOM)},
        {BPF_ALU | BPF_MOD | BPF_K, 0, 0, static_cast<std::uint32_t>(count)},
        {BPF_RET | BPF_A, 0, 0, 0},
    }};
    sock_fprog prog{static_cast<unsigned short>(program.size()), program.data()};
    return ::setsockopt(sock, SOL_SOCKET, SO_ATTACH_REUSEPORT_CBPF, &prog, sizeof prog) == 0;
}

// The kernel turns receive time-stamping on a moment after the first socket
// of the system asks for it; until then a datagram is stamped when it is
// read, which would put early answers after later ones. Waits, briefly,
// until a datagram sent to ourselves on loopback comes back stamped before
// it was read.
bool AwaitArrivalTimes() {
    UniqueFd receiver(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    UniqueFd sender(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    const int on = 1;
    sockaddr_in self{};
    self.sin_family = AF_INET;
    self.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof self;
    if (!receiver || !sender || ::setsockopt(receiver.get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on) != 0 ||
        ::bind(receiver.get(), reinterpret_cast<const sockaddr*>(&self), sizeof self) != 0 ||
        ::getsockname(receiver.get(), reinterpret_cast<sockaddr*>(&self), &length) != 0)
        return false;
    DatagramDrain drain(1);
    std::vector<ReceivedDatagram> echo;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const char mark = '.';
        if (::sendto(sender.get(), &mark, 1, 0, reinterpret_cast<const sockaddr*>(&self), sizeof self) != 1)
            return false;
        // Loopback delivers within the send; the pause lets the kernel's
        // deferred switch run between attempts.
        std::this_thread::sleep_for(std::chrono::microseconds(100));
        const std::int64_t beforeRead = RealTimeNanoseconds();
        echo.clear();
        drain.Take(receiver.get(), echo);
        if (!echo.empty() && echo.back().arrival < beforeRead) return true;
    }
    return false;
}

}  // namespace

long long DroppedDatagrams(const std::vector<UniqueFd>& group) {
    long long dropped = 0;
    for (const UniqueFd& sock : group) {
        std::array<std::uint32_t, SK_MEMINFO_VARS> meminfo{};
        socklen_t length = sizeof meminfo;
        if (::getsockopt(sock.get(), SOL_SOCKET, SO_MEMINFO, meminfo.data(), &length) == 0 &&
            length > SK_MEMINFO_DROPS * sizeof(std::uint32_t))
            dropped += meminfo[SK_MEMINFO_DROPS];
    }
    return dropped;
}

bool UdpPortInUse(int port) {
    UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    return probe && ::bind(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
           errno == EADDRINUSE;
}

ReplySockets OpenReplySockets(WindowOps& form, int port, std::size_t count) {
    ReplySockets result;
    result.portShared = port != 0 && UdpPortInUse(port);
    if (result.portShared) count = 1;
    std::vector<UniqueFd>& group = result.sockets;
    for (std::size_t i = 0; i < count; ++i) {
        int raw = -1;
        sockaddr_in addr{};
        // The first is the reply socket there always was; without the others
        // the search still works, with less room.
        const int created = CreateReplySocket(i == 0 ? &form : nullptr, port, raw, addr, !result.portShared);
        UniqueFd sock(raw);
        if (created != 0) {
            if (i > 0) form.Log(StrFormat("reply sockets opened : %zu of %zu\n", i, count));
            break;
        }
        const int on = 1;
        // Answers read from several sockets are put back in arrival order.
        ::setsockopt(sock.get(), SOL_SOCKET, SO_TIMESTAMPNS, &on, sizeof on);
        group.push_back(std::move(sock));
    }
    if (!group.empty() && !AwaitArrivalTimes()) form.Log("reply arrival times not available\n");
    if (group.size() > 1 && !SpreadAtRandom(group.front().get(), group.size()))
        form.Log(StrFormat("reply sockets spread by sender only : %s\n", std::strerror(errno)));
    return result;
}
