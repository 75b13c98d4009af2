// SPDX-License-Identifier: GPL-3.0-or-later
// The relay's TCP clients: a relay query answered with one message holding
// every device, and an HTTP request for the device page.

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>

#include "protocol/text_format.h"
#include "relay/relay_connection.h"
#include "relay/relay_request.h"
#include "relay/relay_server.h"
#include "web/http_command.h"

namespace {

// A request must have come whole by then (a client that sends nothing, or a
// byte at a time, is let go).
constexpr auto kRequestTime = std::chrono::seconds(5);
// An answer must have been taken by then: 300 KB for 2,000 devices is
// nothing, but a client may read slowly on purpose.
constexpr auto kAnswerTime = std::chrono::seconds(60);

const char* StatusText(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 403:
            return "Forbidden";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 429:
            return "Too Many Requests";
        case 431:
            return "Request Header Fields Too Large";
        default:
            return "Service Unavailable";
    }
}

std::string HttpHead(int status, const char* type, std::size_t length) {
    return StrFormat("HTTP/1.1 %d %s\r\nContent-Type: %s\r\nContent-Length: %zu\r\n%sConnection: close\r\n\r\n", status,
                     StatusText(status), type, length, status == 405 ? "Allow: GET\r\n" : "");
}

}  // namespace

void RelayServer::Accept(int listener, bool http, RelayClock::time_point now) {
    for (std::size_t i = 0; i < 64; ++i) {
        sockaddr_in from{};
        socklen_t length = sizeof from;
        UniqueFd fd(::accept4(listener, reinterpret_cast<sockaddr*>(&from), &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
        if (!fd) return;
        const in_addr_t client = from.sin_addr.s_addr;
        const char* kind = http ? "http" : "tcp";
        if (connections_.size() >= kMaxConnections) {
            ++counts_.busy;
            log_.Limited(StrFormat("%s %s refused: %zu connections open already", Ipv4Text(client).c_str(), kind,
                                   kMaxConnections),
                         now);
            continue;
        }
        auto c = std::make_unique<Connection>();
        c->fd = std::move(fd);
        c->http = http;
        c->client = client;
        c->deadline = now + kRequestTime;
        if (!Allows(settings_.allow, client)) {
            ++counts_.refused;
            log_.Limited(Ipv4Text(client) + " " + kind + " refused: not allowed (--allow)", now);
            // A relay query gets nothing at all: the connection closes at once.
            if (!http) continue;
            c->refused = true;
        }
        connections_.push_back(std::move(c));
    }
}

void RelayServer::Progress(Connection& c, short revents, RelayClock::time_point now) {
    if (c.state == Connection::State::Writing) {
        if ((revents & (POLLOUT | POLLERR | POLLHUP)) != 0) Write(c);
        return;
    }
    if (c.state != Connection::State::Reading) return;
    const std::size_t limit = c.http ? kHttpHeadLimit : kTcpRequestLimit;
    char buffer[4096];
    bool ended = false;
    for (;;) {
        const std::size_t room = std::min(sizeof buffer, limit - c.received.size());
        if (room == 0) break;
        const ssize_t got = ::recv(c.fd.get(), buffer, room, MSG_DONTWAIT);
        if (got > 0) {
            c.received.append(buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) break;
        if (got < 0) {
            Close(c);
            return;
        }
        // A client may close its side once it has asked.
        ended = true;
        break;
    }
    Decide(c, now);
    if (ended && c.state == Connection::State::Reading) Close(c);
}

void RelayServer::Decide(Connection& c, RelayClock::time_point now) {
    if (!c.http) {
        const TcpRequest request = ReadTcpRequest(c.received);
        if (request == TcpRequest::Incomplete) return;
        if (request == TcpRequest::Other) {
            ++counts_.ignored;
            Close(c);
            return;
        }
        if (!Admitted(c.client, "tcp query", now)) {
            Close(c);
            return;
        }
    } else {
        const HttpRequestHead head = ReadHttpRequestHead(c.received);
        if (head.state == HttpRequestHead::State::Incomplete) return;
        if (c.refused) return Reply(c, 403, "This computer is not allowed to use this relay.\n");
        if (head.state == HttpRequestHead::State::TooLarge) return Reply(c, 431, "The request is too large.\n");
        if (head.state == HttpRequestHead::State::Malformed) return Reply(c, 400, "Not an HTTP request.\n");
        if (head.method != "GET") return Reply(c, 405, "Only GET is answered here.\n");
        const std::optional<std::string> filter = HttpCommandFilter(head.target);
        if (!filter) return Reply(c, 404, "The relay serves /device.get?DeviceType=FILTER only.\n");
        if (!Admitted(c.client, "http query", now)) return Reply(c, 429, "More than 10 queries a second.\n");
        c.filter = *filter;
    }
    ++counts_.queries;
    if (auto answers = site_.Fresh(now)) {
        Answer(c, answers);
        return;
    }
    c.state = Connection::State::Waiting;
}

void RelayServer::Answer(Connection& c, const std::shared_ptr<const SiteAnswers>& answers) {
    const std::string who = Ipv4Text(c.client);
    if (!c.http) {
        c.body = answers->TcpMessage();
        c.keep = answers;
        log_.Line(StrFormat("%s tcp query: %zu devices", who.c_str(), answers->Devices().size()));
    } else {
        const std::shared_ptr<const DeviceTablePage> page = answers->Page(c.filter);
        c.head = HttpHead(200, "text/html", page->html.size());
        c.body = page->html;
        c.keep = page;
        std::string line =
            StrFormat("%s http query DeviceType=%s: %d devices", who.c_str(), c.filter.c_str(), page->rows);
        if (page->leftOut > 0) line += StrFormat(", %d left out (a text holds '<', '>', CR or LF)", page->leftOut);
        log_.Line(line);
    }
    c.state = Connection::State::Writing;
    c.deadline = RelayClock::now() + kAnswerTime;
    Write(c);
}

void RelayServer::Reply(Connection& c, int status, const std::string& text) {
    c.head = HttpHead(status, "text/plain", text.size()) + text;
    c.body = {};
    c.keep.reset();
    c.state = Connection::State::Writing;
    c.deadline = RelayClock::now() + kRequestTime;
    Write(c);
}

void RelayServer::Write(Connection& c) {
    for (;;) {
        const bool inHead = c.sent < c.head.size();
        const std::string_view rest = inHead ? std::string_view(c.head).substr(c.sent)
                                             : c.body.substr(std::min(c.body.size(), c.sent - c.head.size()));
        if (rest.empty()) break;
        const ssize_t sent = ::send(c.fd.get(), rest.data(), rest.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (sent > 0) {
            c.sent += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return;
        // The client went away mid-answer.
        break;
    }
    Close(c);
}

void RelayServer::Close(Connection& c) {
    if (c.fd) {
        ::shutdown(c.fd.get(), SHUT_WR);
        // What the client sent past its request is read first: closing on
        // unread bytes would reset the connection and could cost it the
        // end of its answer.
        char rest[512];
        for (int i = 0; i < 16 && ::recv(c.fd.get(), rest, sizeof rest, MSG_DONTWAIT) > 0; ++i) {
        }
    }
    c.fd = UniqueFd();
    c.state = Connection::State::Done;
    c.keep.reset();
}
