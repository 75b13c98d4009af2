#include "protocol/datagram_drain.h"

#include <sys/socket.h>
#include <sys/uio.h>

#include <array>
#include <cerrno>

DatagramDrain::DatagramDrain() : area_(std::make_unique_for_overwrite<char[]>(kSlot * kBatch)) {
    // The pages a small datagram lands in are mapped now, before a query goes
    // out, not while the answers to it pour in.
    for (std::size_t i = 0; i < kBatch; ++i) area_[i * kSlot] = '\0';
}

void DatagramDrain::Take(int fd, std::vector<std::string>& texts) {
    std::array<iovec, kBatch> parts{};
    std::array<mmsghdr, kBatch> messages{};
    for (std::size_t round = 0; round < kLimit / kBatch; ++round) {
        for (std::size_t i = 0; i < kBatch; ++i) {
            parts[i] = {area_.get() + i * kSlot, kSlot - 1};
            messages[i] = {};
            messages[i].msg_hdr.msg_iov = &parts[i];
            messages[i].msg_hdr.msg_iovlen = 1;
        }
        const int got = ::recvmmsg(fd, messages.data(), kBatch, MSG_DONTWAIT, nullptr);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return;
        for (std::size_t i = 0; i < static_cast<std::size_t>(got); ++i) {
            if (messages[i].msg_len > 0) texts.emplace_back(area_.get() + i * kSlot, messages[i].msg_len);
        }
        if (got < static_cast<int>(kBatch)) return;
    }
}
