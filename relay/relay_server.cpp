// SPDX-License-Identifier: GPL-3.0-or-later
#include "relay/relay_server.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "netsetup/control_package.h"
#include "protocol/broadcast_interfaces.h"
#include "protocol/text_format.h"
#include "relay/relay_connection.h"
#include "relay/relay_form.h"
#include "relay/relay_request.h"

namespace {

// Datagrams read in one turn of the loop, so a flood cannot starve the rest.
constexpr int kDatagramsPerTurn = 256;
// The cards' addresses are read again this often (a card may come and go).
constexpr auto kAddressLife = std::chrono::seconds(1);

std::string LastError() { return std::strerror(errno); }

UniqueFd Listener(int type, int port, std::string& error) {
    UniqueFd fd(::socket(AF_INET, type | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    const char* kind = type == SOCK_STREAM ? "TCP" : "UDP";
    if (!fd) {
        error = std::string(kind) + " socket: " + LastError();
        return UniqueFd();
    }
    const int on = 1;
    // A restarted relay gets its TCP port back at once. UDP stays exclusive:
    // sharing the device port would split the queries between two programs.
    if (type == SOCK_STREAM) ::setsockopt(fd.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (type == SOCK_DGRAM) ::setsockopt(fd.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = StrFormat("%s port %d: %s", kind, port, LastError().c_str());
        if (errno == EADDRINUSE) error += " (another relay, or a device simulator, on this host?)";
        if (errno == EACCES) error += " (a port below 1024 needs CAP_NET_BIND_SERVICE)";
        return UniqueFd();
    }
    if (type == SOCK_STREAM && ::listen(fd.get(), 128) != 0) {
        error = StrFormat("%s port %d: listen: %s", kind, port, LastError().c_str());
        return UniqueFd();
    }
    return fd;
}

bool Holds(const std::vector<in_addr_t>& addresses, in_addr_t address) {
    return std::find(addresses.begin(), addresses.end(), address) != addresses.end();
}

}  // namespace

RelayServer::RelayServer(RelaySettings settings, SiteDevices& site, RelayLog& log)
    : settings_(std::move(settings)),
      site_(site),
      log_(log),
      rates_(kQueriesPerClientSecond),
      udpAnswers_(
          [this](const sockaddr_in& to, std::string_view datagram) {
              const ssize_t sent = ::sendto(udp_.get(), datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                            reinterpret_cast<const sockaddr*>(&to), sizeof to);
              if (sent >= 0) return UdpAnswers::SendResult::Sent;
              if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS || errno == EINTR)
                  return UdpAnswers::SendResult::Busy;
              return UdpAnswers::SendResult::Failed;
          },
          kUdpAnswerBytesPerSecond, kMaxUdpWaiting),
      datagram_(65536) {}

RelayServer::~RelayServer() = default;

bool RelayServer::Open(std::string& error) {
    udp_ = Listener(SOCK_DGRAM, settings_.devicePort, error);
    if (!udp_) return false;
    tcp_ = Listener(SOCK_STREAM, settings_.devicePort, error);
    if (!tcp_) return false;
    if (settings_.httpPort > 0) {
        http_ = Listener(SOCK_STREAM, settings_.httpPort, error);
        if (!http_) return false;
    }
    return true;
}

void RelayServer::RefreshAddresses(RelayClock::time_point now) {
    if (now - addressesRead_ < kAddressLife && !ownAddresses_.empty()) return;
    addressesRead_ = now;
    ownAddresses_.clear();
    ownCardAddresses_.clear();
    for (const InterfaceAddress& entry : LocalInterfaceAddresses()) {
        ownAddresses_.push_back(entry.address);
        if ((entry.flags & IFF_LOOPBACK) == 0) ownCardAddresses_.push_back(entry.address);
    }
}

bool RelayServer::Admitted(in_addr_t client, const char* kind, RelayClock::time_point now) {
    if (!Allows(settings_.allow, client)) {
        ++counts_.refused;
        log_.Limited(Ipv4Text(client) + " " + kind + " refused: not allowed (--allow)", now);
        return false;
    }
    if (!rates_.Admit(client, now)) {
        ++counts_.rateLimited;
        log_.Limited(Ipv4Text(client) + " " + kind + " refused: more than 10 queries a second", now);
        return false;
    }
    return true;
}

void RelayServer::ReadDatagrams(RelayClock::time_point now) {
    for (int i = 0; i < kDatagramsPerTurn; ++i) {
        sockaddr_in from{};
        iovec data{datagram_.data(), datagram_.size() - 1};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
        msghdr message{};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &data;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(udp_.get(), &message, MSG_DONTWAIT);
        if (n < 0) return;
        in_addr_t to = htonl(INADDR_BROADCAST);
        for (cmsghdr* c = CMSG_FIRSTHDR(&message); c != nullptr; c = CMSG_NXTHDR(&message, c)) {
            if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO) continue;
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            to = info.ipi_addr.s_addr;
        }
        OnDatagram(from, to, std::string_view(datagram_.data(), static_cast<std::size_t>(n)), now);
    }
}

void RelayServer::OnDatagram(const sockaddr_in& from, in_addr_t to, std::string_view data, RelayClock::time_point now) {
    const in_addr_t client = from.sin_addr.s_addr;
    // The relay's own broadcasts come back to this port: never act on them.
    if (Holds(ownCardAddresses_, client)) {
        ++counts_.ignored;
        return;
    }
    const RelayDatagram read = ReadRelayDatagram(data);
    switch (read.kind) {
        case DatagramKind::Other:
            ++counts_.ignored;
            return;
        case DatagramKind::Setup:
            OnSetup(client, to, read, now);
            return;
        case DatagramKind::RelayQuery:
            break;
    }
    if (!Admitted(client, "udp query", now)) return;
    ++counts_.queries;
    if (auto answers = site_.Latest(now)) {
        QueueUdpAnswer(from, std::move(answers), now);
        return;
    }
    // No search has ended yet: the first one is on its way.
    if (udpWaiting_.size() >= kMaxUdpWaiting) {
        ++counts_.busy;
        log_.Limited(Ipv4Text(client) + " udp query dropped: too many queries wait for the site search", now);
        return;
    }
    udpWaiting_.push_back(from);
}

void RelayServer::QueueUdpAnswer(const sockaddr_in& from, std::shared_ptr<const SiteAnswers> answers,
                                 RelayClock::time_point now) {
    sockaddr_in to = from;
    to.sin_port = htons(static_cast<std::uint16_t>(settings_.replyPort));
    const std::size_t devices = answers->Devices().size();
    if (!udpAnswers_.Add(to, std::move(answers), now)) {
        ++counts_.busy;
        log_.Limited(Ipv4Text(from.sin_addr.s_addr) + " udp query dropped: too many UDP answers on their way", now);
        return;
    }
    log_.Line(StrFormat("%s udp query: %zu devices", Ipv4Text(from.sin_addr.s_addr).c_str(), devices));
}

void RelayServer::OnSetup(in_addr_t client, in_addr_t to, const RelayDatagram& read, RelayClock::time_point now) {
    // Only a package sent to the relay is the relay's to send on; one that
    // was broadcast on this segment has reached its devices already.
    if (!Holds(ownAddresses_, to)) {
        ++counts_.ignored;
        return;
    }
    if (!Admitted(client, "setup", now)) return;
    const std::string who =
        Ipv4Text(client) + " setup " + (read.request.mac.empty() ? std::string("(no MAC)") : read.request.mac);
    if (!settings_.allowSetup) {
        ++counts_.setupsDropped;
        log_.Limited(who + ": dropped, sending control packages on is off (--allow-setup)", now);
        return;
    }
    if (!read.refusal.empty()) {
        ++counts_.setupsDropped;
        log_.Limited(who + ": refused: " + read.refusal, now);
        return;
    }
    RelayForm form(log_, settings_.cards);
    if (SendControlPackage(form, MakeControlRecord(read.request)) != 0) {
        ++counts_.setupsDropped;
        log_.Line(who + ": not sent, the broadcast failed");
        return;
    }
    ++counts_.setupsForwarded;
    std::string what = NetworkTypeKeyword(read.request.type);
    if (TakesTheSentAddress(read.request.type)) what += " " + read.request.ip + "/" + read.request.netmask;
    log_.Line(who + ": sent on to the site (" + what + ")");
}

void RelayServer::OnSearchEnded(RelayClock::time_point now) {
    const std::shared_ptr<const SiteAnswers> answers = site_.Collect();
    if (!answers) return;
    for (const sockaddr_in& from : udpWaiting_) QueueUdpAnswer(from, answers, now);
    udpWaiting_.clear();
    for (const auto& c : connections_)
        if (c->state == Connection::State::Waiting) Answer(*c, answers);
}

void RelayServer::Run(int stopFd) {
    std::vector<pollfd> waits;
    std::optional<RelayClock::time_point> nextSend;
    for (;;) {
        RelayClock::time_point now = RelayClock::now();
        RefreshAddresses(now);
        waits.clear();
        waits.push_back({stopFd, POLLIN, 0});
        waits.push_back({site_.ReadyFd(), POLLIN, 0});
        waits.push_back({udp_.get(), POLLIN, 0});
        waits.push_back({tcp_.get(), POLLIN, 0});
        // Without HTTP the slot stays, ignored by poll.
        waits.push_back({http_ ? http_.get() : -1, POLLIN, 0});
        constexpr std::size_t kFirstConnection = 5;
        RelayClock::time_point wake = now + kAddressLife;
        if (nextSend) wake = std::min(wake, *nextSend);
        for (const auto& c : connections_) {
            short events = 0;
            if (c->state == Connection::State::Reading) events = POLLIN;
            if (c->state == Connection::State::Writing) events = POLLOUT;
            // A client waiting for the search is not polled: a hang-up would
            // wake the loop again and again until the answer is there.
            waits.push_back({events != 0 ? c->fd.get() : -1, events, 0});
            if (c->state != Connection::State::Waiting) wake = std::min(wake, c->deadline);
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count();
        const int ready =
            ::poll(waits.data(), waits.size(), static_cast<int>(std::clamp<long long>(left + 1, 0, 1000)));
        if (ready < 0 && errno != EINTR) {
            log_.Line("poll: " + LastError());
            return;
        }
        now = RelayClock::now();
        if (waits[0].revents != 0) return;
        if (waits[1].revents != 0) OnSearchEnded(now);
        if (waits[2].revents != 0) ReadDatagrams(now);
        // Connections first: accepting adds to the list the poll slots follow.
        for (std::size_t i = 0; i < connections_.size(); ++i) {
            Connection& c = *connections_[i];
            const short revents = waits[kFirstConnection + i].revents;
            if (revents != 0) Progress(c, revents, now);
            if (c.state != Connection::State::Done && c.state != Connection::State::Waiting && now >= c.deadline)
                Close(c);
        }
        std::erase_if(connections_, [](const auto& c) { return c->state == Connection::State::Done; });
        if (waits[3].revents != 0) Accept(tcp_.get(), false, now);
        if (waits[4].revents != 0) Accept(http_.get(), true, now);
        nextSend = udpAnswers_.Send(now);
    }
}
