// SPDX-License-Identifier: GPL-3.0-or-later
#include "netsetup/address_probe.h"

#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "protocol/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr std::uint8_t kEchoRequest = 8;
constexpr std::uint8_t kEchoReply = 0;

std::uint16_t Checksum(const unsigned char* data, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < length; i += 2) sum += static_cast<std::uint32_t>(data[i] << 8 | data[i + 1]);
    if (length % 2 != 0) sum += static_cast<std::uint32_t>(data[length - 1] << 8);
    while (sum >> 16 != 0) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

std::string ErrnoText(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

// A datagram socket hands back the ICMP message alone, a raw one the IP
// header before it. Returns the ICMP part, or nullptr when too short.
const unsigned char* IcmpPart(const unsigned char* data, std::size_t length, bool raw, std::size_t& icmpLength) {
    std::size_t offset = 0;
    if (raw) {
        if (length < sizeof(ip)) return nullptr;
        offset = static_cast<std::size_t>(data[0] & 0x0F) * 4;
    }
    if (length < offset + 8) return nullptr;
    icmpLength = length - offset;
    return data + offset;
}

}  // namespace

ProbeResult ProbeAddress(in_addr_t address, std::chrono::milliseconds timeout) {
    bool raw = false;
    UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
    const int datagramError = errno;
    if (!sock.valid()) {
        raw = true;
        sock = UniqueFd(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
    }
    if (!sock.valid()) {
        return {ProbeOutcome::Unavailable,
                ErrnoText("ICMP datagram socket", datagramError) + "; " + ErrnoText("raw ICMP socket", errno)};
    }

    // The kernel puts its own identifier into a datagram socket's echo; a raw
    // socket sees every ICMP message of the host, so ours must be told apart.
    static std::atomic<std::uint16_t> sequence{0};
    const auto id = static_cast<std::uint16_t>(::getpid() & 0xFFFF);
    const std::uint16_t seq = ++sequence;
    std::array<unsigned char, 16> request{};
    request[0] = kEchoRequest;
    request[4] = static_cast<unsigned char>(id >> 8);
    request[5] = static_cast<unsigned char>(id & 0xFF);
    request[6] = static_cast<unsigned char>(seq >> 8);
    request[7] = static_cast<unsigned char>(seq & 0xFF);
    std::memcpy(request.data() + 8, "Lanvaro!", 8);
    const std::uint16_t sum = Checksum(request.data(), request.size());
    request[2] = static_cast<unsigned char>(sum >> 8);
    request[3] = static_cast<unsigned char>(sum & 0xFF);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = address;
    if (::sendto(sock.get(), request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) <
        0) {
        const int error = errno;
        // Nothing can be reached there from here, so nothing answers there either.
        if (error == ENETUNREACH || error == EHOSTUNREACH || error == EHOSTDOWN) return {ProbeOutcome::Silent, {}};
        return {ProbeOutcome::Unavailable, ErrnoText("sending the ICMP echo", error)};
    }

    const auto deadline = Clock::now() + timeout;
    std::array<unsigned char, 1500> reply{};
    // Bounded by the deadline; each pass either reads a message or waits.
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return {ProbeOutcome::Silent, {}};
        pollfd p{sock.get(), POLLIN, 0};
        const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return {ProbeOutcome::Silent, {}};
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(sock.get(), reply.data(), reply.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) continue;  // an ICMP error queued on the socket: keep waiting
        std::size_t icmpLength = 0;
        const unsigned char* icmp = IcmpPart(reply.data(), static_cast<std::size_t>(n), raw, icmpLength);
        if (icmp == nullptr || from.sin_addr.s_addr != address || icmp[0] != kEchoReply) continue;
        const auto replySeq = static_cast<std::uint16_t>(icmp[6] << 8 | icmp[7]);
        const auto replyId = static_cast<std::uint16_t>(icmp[4] << 8 | icmp[5]);
        if (replySeq != seq || (raw && replyId != id)) continue;
        return {ProbeOutcome::Answered, {}};
    }
}
