// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/datagram_drain.h"

#include <sys/socket.h>
#include <sys/uio.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace {

std::int64_t Nanoseconds(const timespec& t) { return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec; }

std::int64_t ArrivalOf(msghdr& header, std::int64_t fallback) {
    for (cmsghdr* c = CMSG_FIRSTHDR(&header); c != nullptr; c = CMSG_NXTHDR(&header, c)) {
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_TIMESTAMPNS) {
            timespec stamp{};
            std::memcpy(&stamp, CMSG_DATA(c), sizeof stamp);
            return Nanoseconds(stamp);
        }
    }
    return fallback;
}

}  // namespace

DatagramDrain::DatagramDrain(std::size_t batch)
    : batch_(std::clamp<std::size_t>(batch, 1, kBatch)), area_(std::make_unique_for_overwrite<char[]>(kSlot * batch_)) {
    // The pages a small datagram lands in are mapped now, before a query goes
    // out, not while the answers to it pour in.
    for (std::size_t i = 0; i < batch_; ++i) area_[i * kSlot] = '\0';
}

void DatagramDrain::Take(int fd, std::vector<ReceivedDatagram>& out) {
    std::array<iovec, kBatch> parts{};
    std::array<mmsghdr, kBatch> messages{};
    // Room for the arrival time a socket may add to each datagram, aligned
    // as the kernel's headers in it must be.
    struct alignas(cmsghdr) Control {
        char bytes[CMSG_SPACE(sizeof(timespec))];
    };
    std::array<Control, kBatch> controls{};
    std::array<sockaddr_in, kBatch> senders{};
    for (std::size_t round = 0; round < kLimit / batch_; ++round) {
        for (std::size_t i = 0; i < batch_; ++i) {
            parts[i] = {area_.get() + i * kSlot, kSlot - 1};
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &parts[i];
            messages[i].msg_hdr.msg_iovlen = 1;
            messages[i].msg_hdr.msg_name = &senders[i];
            messages[i].msg_hdr.msg_namelen = sizeof senders[i];
            messages[i].msg_hdr.msg_control = controls[i].bytes;
            messages[i].msg_hdr.msg_controllen = sizeof controls[i].bytes;
        }
        const int got = ::recvmmsg(fd, messages.data(), static_cast<unsigned>(batch_), MSG_DONTWAIT, nullptr);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        const std::int64_t now = RealTimeNanoseconds();
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
            if (messages[i].msg_len == 0) continue;
            out.push_back({std::string(area_.get() + i * kSlot, messages[i].msg_len),
                           ArrivalOf(messages[i].msg_hdr, now), senders[i].sin_addr.s_addr});
        }
        if (got < static_cast<int>(batch_)) return;
    }
}

std::int64_t RealTimeNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return Nanoseconds(now);
}

void SortByArrival(std::vector<ReceivedDatagram>& datagrams) {
    std::stable_sort(datagrams.begin(), datagrams.end(),
                     [](const ReceivedDatagram& a, const ReceivedDatagram& b) { return a.arrival < b.arrival; });
}
