// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/udp_socket.h"

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "protocol/broadcast_interfaces.h"
#include "protocol/text_format.h"
#include "protocol/unique_fd.h"

namespace {

// Taken at once: logging may overwrite errno.
std::string LastErrorText() { return std::strerror(errno); }

void AskLargeReceiveBuffer(int sock) {
    const int size = kReplySocketReceiveBuffer;
    // The forced form passes the system's cap where we hold the capability
    // (as inside a test namespace); otherwise the kernel grants what it may.
    if (::setsockopt(sock, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) == 0) return;
    ::setsockopt(sock, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
}

// One datagram from a socket of its own. A broadcast from a socket bound to
// a card's address leaves through that card; INADDR_ANY leaves the choice to
// routing.
int SendDatagram(WindowOps& form, const sockaddr_in& dest, in_addr_t source, const char* text) {
    UniqueFd sock(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!sock) {
        form.Log(StrFormat("socket(SOCK_DGRAM) failed : %s\n", LastErrorText().c_str()));
        return -1;
    }
    const int on = 1;
    if (::setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        form.Log(StrFormat("setsockopt(SO_BROADCAST) error : %s\n", LastErrorText().c_str()));
        return -1;
    }
    if (source != htonl(INADDR_ANY)) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = source;
        if (::bind(sock.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
            form.Log(StrFormat("bind() error : %s\n", LastErrorText().c_str()));
            return -1;
        }
    }
    const ssize_t sent =
        ::sendto(sock.get(), text, std::strlen(text), 0, reinterpret_cast<const sockaddr*>(&dest), sizeof dest);
    if (sent < 0) {
        form.Log(StrFormat("sendto() error : %s len=%d\n", LastErrorText().c_str(), static_cast<int>(sent)));
        return -1;
    }
    return 0;
}

}  // namespace

int CreateReplySocket(WindowOps* form, int port, int& sock, sockaddr_in& addr, bool shared) {
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<std::uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_ANY);

    const auto fail = [form](const char* call) {
        if (form != nullptr) form->Log(StrFormat("%s error : %s\n", call, LastErrorText().c_str()));
        return -1;
    };
    sock = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
    if (sock < 0) return fail("socket()");
    const int on = 1;
    if (::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return fail("setsockopt(SO_REUSEADDR)");
    if (shared && ::setsockopt(sock, SOL_SOCKET, SO_REUSEPORT, &on, sizeof on) != 0)
        return fail("setsockopt(SO_REUSEPORT)");
    AskLargeReceiveBuffer(sock);
    if (::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return fail("bind()");
    return 0;
}

int DM_CreateUDPBroadcastSocket(WindowOps& form, int port, int& sock, sockaddr_in& addr) {
    return CreateReplySocket(&form, port, sock, addr, false);
}

int DM_SendUDPBroadcast(WindowOps& form, int port, const char* text, std::vector<SendOutcome>* outcomes) {
    if (text == nullptr) return -1;
    auto send = [&](const sockaddr_in& dest, in_addr_t source) {
        const int result = SendDatagram(form, dest, source, text);
        if (outcomes != nullptr) outcomes->push_back({source, result == 0});
        return result;
    };

    sockaddr_in dest{};
    dest.sin_family = AF_INET;
    dest.sin_port = htons(static_cast<std::uint16_t>(port));
    if (form.SelectedSearchMethod() == SearchMethod::IpRelay) {
        // The user named one host: a text that is no address must not turn
        // into a broadcast to every device on the network.
        const std::string relay = form.RelayAddressText();
        const in_addr_t host = inet_addr(relay.c_str());
        if (host == INADDR_NONE) {
            form.Log(StrFormat("Invalid relay address [%s]\n", relay.c_str()));
            return -1;
        }
        dest.sin_addr.s_addr = host;
        return send(dest, htonl(INADDR_ANY));
    }

    dest.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    const std::vector<std::string> cards = form.BroadcastCardNames();
    const std::vector<in_addr_t> sources = BroadcastSourceAddresses(OnCards(LocalInterfaceAddresses(), cards));
    // Cards were named: routing's choice could be another one.
    if (sources.empty() && !cards.empty()) {
        form.Log(StrFormat("no card of [%s] can broadcast\n", Joined(cards, ",").c_str()));
        return -1;
    }
    // Without a broadcast-capable card (loopback only) routing alone decides.
    if (sources.empty()) return send(dest, htonl(INADDR_ANY));
    bool anySent = false;
    for (const in_addr_t source : sources) {
        if (send(dest, source) == 0) anySent = true;
    }
    return anySent ? 0 : -1;
}

int SendUdpTo(WindowOps& form, int port, const char* text, in_addr_t host) {
    if (text == nullptr) return -1;
    sockaddr_in dest{};
    dest.sin_family = AF_INET;
    dest.sin_port = htons(static_cast<std::uint16_t>(port));
    dest.sin_addr.s_addr = host;
    return SendDatagram(form, dest, htonl(INADDR_ANY), text);
}

void CloseSocket(int& sock) {
    if (sock >= 0) ::close(sock);
    sock = -1;
}
