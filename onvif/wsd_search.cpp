// SPDX-License-Identifier: GPL-3.0-or-later
#include "onvif/wsd_search.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "onvif/probe_message.h"
#include "onvif/wsd_collector.h"
#include "protocol/broadcast_interfaces.h"
#include "protocol/udp_socket.h"
#include "protocol/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kCancelCheck{50};
constexpr int kMaxDatagrams = 1'000'000;

std::string ErrorText() { return std::strerror(errno); }

void AskLargeReceiveBuffer(int sock) {
    const int size = kReplySocketReceiveBuffer;
    if (::setsockopt(sock, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) == 0) return;
    ::setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

in_addr GroupAddress() {
    in_addr group{};
    ::inet_pton(AF_INET, wsd::kMulticastGroup, &group);
    return group;
}

// A probing socket on one card: bound to the card's address (answers come
// back to it by unicast), multicasting through that card with TTL 1.
UniqueFd ProbeSocket(in_addr_t source, std::vector<std::string>& log) {
    UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const std::string card = Ipv4Text(source);
    if (!sock) {
        log.push_back("WS-Discovery: socket() failed for " + card + ": " + ErrorText());
        return sock;
    }
    AskLargeReceiveBuffer(sock.get());
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = source;
    in_addr via{};
    via.s_addr = source;
    const unsigned char ttl = 1;
    if (::bind(sock.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::setsockopt(sock.get(), IPPROTO_IP, IP_MULTICAST_IF, &via, sizeof via) != 0 ||
        ::setsockopt(sock.get(), IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl) != 0) {
        log.push_back("WS-Discovery: cannot probe through " + card + ": " + ErrorText());
        sock.reset();
    }
    return sock;
}

// The group's port, joined on every card, for Hellos. Other discovery
// software on this host may hold the port too, hence the shared binding.
UniqueFd HelloSocket(const std::vector<in_addr_t>& sources, std::vector<std::string>& log) {
    UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!sock) return sock;
    const int on = 1;
    ::setsockopt(sock.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    AskLargeReceiveBuffer(sock.get());
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(wsd::kPort);
    if (::bind(sock.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        log.push_back("WS-Discovery: Hellos not heard, port 3702: " + ErrorText());
        sock.reset();
        return sock;
    }
    int joined = 0;
    for (const in_addr_t source : sources) {
        ip_mreq request{};
        request.imr_multiaddr = GroupAddress();
        request.imr_interface.s_addr = source;
        if (::setsockopt(sock.get(), IPPROTO_IP, IP_ADD_MEMBERSHIP, &request, sizeof request) == 0) ++joined;
    }
    if (joined == 0) sock.reset();
    return sock;
}

void SendProbes(const std::vector<UniqueFd>& sockets, WsdCollector& collector, std::vector<std::string>& log) {
    sockaddr_in group{};
    group.sin_family = AF_INET;
    group.sin_addr = GroupAddress();
    group.sin_port = htons(wsd::kPort);
    for (const char* type : kOnvifProbeTypes) {
        for (const UniqueFd& sock : sockets) {
            std::string messageId = NewMessageId();
            const std::string probe = BuildProbe(messageId, type);
            collector.AddOwnProbe(std::move(messageId));
            if (::sendto(sock.get(), probe.data(), probe.size(), 0, reinterpret_cast<const sockaddr*>(&group),
                         sizeof group) < 0)
                log.push_back("WS-Discovery: sending a Probe failed: " + ErrorText());
        }
    }
}

}  // namespace

WsdSearchResult RunWsdSearch(const WsdSearchTimings& timings, const std::atomic<bool>& cancel,
                             const WsdDeviceHeard& heard) {
    const Clock::time_point started = Clock::now();
    WsdSearchResult result;
    std::vector<std::string>& log = result.log;

    const std::vector<in_addr_t> sources = MulticastSourceAddresses(LocalInterfaceAddresses());
    std::vector<UniqueFd> probeSockets;
    for (const in_addr_t source : sources) {
        UniqueFd sock = ProbeSocket(source, log);
        if (sock) probeSockets.push_back(std::move(sock));
    }
    if (probeSockets.empty()) {
        log.push_back("WS-Discovery: no network card to probe through");
        return result;
    }
    std::vector<pollfd> polled;
    for (const UniqueFd& sock : probeSockets) polled.push_back({sock.get(), POLLIN, 0});
    const UniqueFd hello = HelloSocket(sources, log);
    if (hello) polled.push_back({hello.get(), POLLIN, 0});

    WsdCollector collector(log);
    // Devices before this place were all handed to `heard`, save those without an XAddr yet.
    std::size_t handedUpTo = 0;
    std::vector<std::size_t> withoutXaddr;
    auto handOver = [&] {
        const std::vector<OnvifDeviceInfo>& devices = collector.Devices();
        std::erase_if(withoutXaddr, [&](std::size_t i) {
            if (devices[i].xaddr.empty()) return false;
            heard(devices[i]);
            return true;
        });
        for (; handedUpTo < devices.size(); ++handedUpTo) {
            if (devices[handedUpTo].xaddr.empty())
                withoutXaddr.push_back(handedUpTo);
            else
                heard(devices[handedUpTo]);
        }
    };
    std::vector<char> buffer(65536);
    std::size_t nextRound = 0;
    int datagrams = 0;
    const Clock::time_point end = started + timings.window;
    while (!cancel.load()) {
        const Clock::time_point now = Clock::now();
        if (now >= end) break;
        if (nextRound < timings.rounds.size() && now >= started + timings.rounds[nextRound]) {
            SendProbes(probeSockets, collector, log);
            ++nextRound;
            continue;
        }
        Clock::time_point wake = std::min(end, now + kCancelCheck);
        if (nextRound < timings.rounds.size()) wake = std::min(wake, started + timings.rounds[nextRound]);
        const auto wait = std::chrono::duration_cast<milliseconds>(wake - now).count() + 1;
        if (::poll(polled.data(), polled.size(), static_cast<int>(wait)) <= 0) continue;
        for (const pollfd& entry : polled) {
            if ((entry.revents & POLLIN) == 0) continue;
            // Drain what is queued, up to a bound, then look at the clock again.
            for (int i = 0; i < 256 && datagrams < kMaxDatagrams; ++i) {
                sockaddr_in from{};
                socklen_t fromLength = sizeof from;
                const ssize_t got = ::recvfrom(entry.fd, buffer.data(), buffer.size(), 0,
                                               reinterpret_cast<sockaddr*>(&from), &fromLength);
                if (got < 0) break;
                ++datagrams;
                collector.Take(std::string_view(buffer.data(), static_cast<std::size_t>(got)), from,
                               !hello || entry.fd != hello.get());
            }
        }
        if (heard) handOver();
        if (datagrams >= kMaxDatagrams) {
            log.push_back("WS-Discovery: too many datagrams; listening stopped early");
            break;
        }
    }
    result.devices = collector.TakeDevices();
    result.counts = collector.Counts();
    result.byes = collector.Byes();
    return result;
}
