// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/send_errors.h"

#include <linux/errqueue.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

bool ReceiveSendErrors(int fd) {
    const int on = 1;
    return ::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on) == 0;
}

int DrainSendErrors(int fd, std::vector<SendError>& out, int limit) {
    int read = 0;
    while (read < limit) {
        sockaddr_in destination{};
        // The original datagram comes along; only its headers are wanted.
        char payload[64];
        iovec part{payload, sizeof payload};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(sock_extended_err) + sizeof(sockaddr_in))];
        msghdr message{};
        message.msg_name = &destination;
        message.msg_namelen = sizeof destination;
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        if (::recvmsg(fd, &message, MSG_ERRQUEUE | MSG_DONTWAIT) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        ++read;
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != SOL_IP || c->cmsg_type != IP_RECVERR) continue;
            sock_extended_err error{};
            std::memcpy(&error, CMSG_DATA(c), sizeof error);
            SendError entry;
            entry.destination = destination.sin_addr.s_addr;
            entry.fromIcmp = error.ee_origin == SO_EE_ORIGIN_ICMP;
            entry.type = error.ee_type;
            entry.code = error.ee_code;
            // The offender's address follows the error in the same message.
            if (c->cmsg_len >= CMSG_LEN(sizeof error + sizeof(sockaddr_in))) {
                sockaddr_in offender{};
                std::memcpy(&offender, CMSG_DATA(c) + sizeof error, sizeof offender);
                if (offender.sin_family == AF_INET) entry.offender = offender.sin_addr.s_addr;
            }
            out.push_back(entry);
        }
    }
    return read;
}

bool IsQueuedIcmpError(int errnum) {
    return errnum == ECONNREFUSED || errnum == EHOSTUNREACH || errnum == ENETUNREACH || errnum == EHOSTDOWN ||
           errnum == ENONET || errnum == EPROTO;
}

bool IsSlowDownError(int errnum) { return errnum == ENOBUFS || errnum == EAGAIN || errnum == ENOMEM; }
