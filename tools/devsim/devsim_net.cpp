// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/devsim/devsim_net.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "protocol/broadcast_interfaces.h"

UniqueFd BindAnyPort(int type, std::uint16_t port, std::string& error) {
    const bool udp = type == SOCK_DGRAM;
    UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, 0));
    if (!fd) {
        error = std::string("socket: ") + std::strerror(errno);
        return {};
    }
    int on = 1;
    if (::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0 ||
        (udp && ::setsockopt(fd.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0)) {
        error = std::string("setsockopt: ") + std::strerror(errno);
        return {};
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error =
            std::string(udp ? "UDP" : "TCP") + " bind to port " + std::to_string(port) + ": " + std::strerror(errno);
        return {};
    }
    if (!udp && ::listen(fd.get(), 64) != 0) {
        error = std::string("listen: ") + std::strerror(errno);
        return {};
    }
    return fd;
}

std::string AddressText(const sockaddr_in& address) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

bool SendDatagram(int fd, const sockaddr_in& to, std::string_view data, std::string& error,
                  std::optional<in_addr> from) {
    iovec part{const_cast<char*>(data.data()), data.size()};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&to);
    message.msg_namelen = sizeof to;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (from) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&message);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_spec_dst = *from;
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    // Loopback and veth hand datagrams on at once, so a full queue clears in
    // microseconds; 2,000 tries of 0.5 ms bound the wait to about a second.
    for (int attempt = 0; attempt < 2000; ++attempt) {
        if (::sendmsg(fd, &message, MSG_NOSIGNAL) >= 0) return true;
        if (errno == EINTR) continue;
        // An address this host does not hold: sent from the one the route gives.
        if (message.msg_control != nullptr && (errno == EINVAL || errno == EADDRNOTAVAIL)) {
            message.msg_control = nullptr;
            message.msg_controllen = 0;
            continue;
        }
        if (errno != ENOBUFS && errno != EAGAIN) break;
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    error = "sendto " + AddressText(to) + ": " + std::strerror(errno);
    return false;
}

ssize_t ReceiveDatagram(int fd, char* buffer, std::size_t size, sockaddr_in& from, in_addr& to, unsigned* arrivedOn) {
    iovec part{buffer, size};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t got = ::recvmsg(fd, &message, MSG_DONTWAIT);
    to.s_addr = htonl(INADDR_ANY);
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); got >= 0 && c != nullptr; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
        in_pktinfo info{};
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        to = info.ipi_addr;
        if (arrivedOn != nullptr) *arrivedOn = static_cast<unsigned>(info.ipi_ifindex);
    }
    return got;
}

bool SentToAll(in_addr to) {
    const in_addr_t address = to.s_addr;
    if (address == htonl(INADDR_BROADCAST) || address == htonl(INADDR_ANY) || IN_MULTICAST(ntohl(address))) return true;
    for (const InterfaceAddress& card : LocalInterfaceAddresses()) {
        const in_addr_t host = ~card.netmask;
        if (card.netmask != 0 && host != 0 && (address & card.netmask) == (card.address & card.netmask) &&
            (address & host) == host)
            return true;
    }
    return false;
}

Waker::Waker() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

void Waker::Wake() {
    std::uint64_t one = 1;
    // Failure only means the counter is already saturated, i.e. woken.
    [[maybe_unused]] ssize_t n = ::write(fd_.get(), &one, sizeof one);
}

int WaitReady(int fd, short events, const Waker& waker, std::chrono::milliseconds timeout) {
    pollfd fds[2] = {{fd, events, 0}, {waker.fd(), POLLIN, 0}};
    int count = timeout.count() > 0x7fffffff ? 0x7fffffff : static_cast<int>(timeout.count());
    if (count < 0) count = 0;
    int n = ::poll(fds, 2, count);
    if (n < 0) return errno == EINTR ? 0 : -1;
    if (fds[1].revents != 0) return -1;
    if (n == 0) return 0;
    return 1;
}

std::optional<in_addr> JoinDiscoveryGroup(int fd) {
    std::optional<in_addr> via;
    bool viaIsLoopback = true;
    for (const InterfaceAddress& card : LocalInterfaceAddresses()) {
        if ((card.flags & IFF_UP) == 0 || (card.flags & (IFF_MULTICAST | IFF_LOOPBACK)) == 0) continue;
        ip_mreq request{};
        ::inet_pton(AF_INET, "239.255.255.250", &request.imr_multiaddr);
        request.imr_interface.s_addr = card.address;
        if (::setsockopt(fd, IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) != 0) continue;
        const bool loopback = (card.flags & IFF_LOOPBACK) != 0;
        if (!via || (!loopback && viaIsLoopback)) {
            via = request.imr_interface;
            viaIsLoopback = loopback;
        }
    }
    return via;
}
